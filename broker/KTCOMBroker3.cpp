#include "broker/KTCOMBroker3.h"

#include "common/platform/FileSystem.h"
#include "common/platform/FolderChain.h"

namespace vard::broker {
namespace p = platform;

CKTCOMBroker3::CKTCOMBroker3(p::IFileSystem& files, const std::u16string& sectionName)
    : files_(files), section_(p::SharedMemory::CreateOrOpen(sectionName, p::kBrokerSectionSize)) {}

CKTCOMBroker3::~CKTCOMBroker3() { FileClose(); }

void CKTCOMBroker3::CreateDirectory(const std::u16string& path) { p::MakeFolderChain(path, files_); }

int16_t CKTCOMBroker3::FolderTest(const std::u16string&) { return p::kBrokerFalse; }

int16_t CKTCOMBroker3::FileOpen(const std::u16string& path, uint32_t disposition) {
  // The file this one replaces is closed, not leaked.
  FileClose();
  file_ = files_.Open(path, p::access::kRead | p::access::kWrite, p::share::kRead,
                      static_cast<p::Disposition>(disposition), p::attribute::kNormal);
  return file_ ? p::kBrokerTrue : p::kBrokerFalse;
}

void CKTCOMBroker3::FileClose() {
  if (file_) file_->Close();
  file_.reset();
}

uint32_t CKTCOMBroker3::FileWrite(const void* buffer, uint32_t size) {
  uint32_t written = 0;
  if (file_ && buffer) file_->Write(buffer, size, &written);
  return written;
}

uint32_t CKTCOMBroker3::FileWrite2(uint32_t size) {
  // Without the section, or past its end, there is nothing to write from.
  if (!file_ || !section_.IsOpen() || size > section_.Size()) return 0;
  uint32_t written = 0;
  file_->Write(section_.Data(), size, &written);
  return written;
}

uint64_t CKTCOMBroker3::GetFileSize() {
  if (!file_) return 0;
  const int64_t size = file_->Size();
  file_->Seek(0, p::SeekFrom::kEnd, nullptr);  // callers append from here
  return size < 0 ? 0 : static_cast<uint64_t>(size);
}

void CKTCOMBroker3::Seek(int64_t distance, uint32_t moveMethod, int64_t* newPosition) {
  if (!file_ || moveMethod > 2) return;
  int64_t position = 0;
  if (file_->Seek(distance, static_cast<p::SeekFrom>(moveMethod), &position) && newPosition) *newPosition = position;
}

}  // namespace vard::broker
