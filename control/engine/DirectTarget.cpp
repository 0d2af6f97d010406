#include "control/engine/DirectTarget.h"

#include "common/platform/FolderChain.h"

namespace vard {
namespace p = platform;

void DirectTarget::MakeFolders(const std::u16string& path) { p::MakeFolderChain(path, files_); }

bool DirectTarget::Exists(const std::u16string& path) { return files_.Attributes(path) != p::attribute::kInvalid; }

void DirectTarget::SetOrigin(const p::OriginMark& mark) {
  if (file_ && (!origin_ || *origin_ != mark)) files_.WriteOriginMark(path_, mark);
  origin_ = mark;
}

bool DirectTarget::Open(const std::u16string& path, bool resume) {
  file_ = files_.Open(path, p::access::kRead | p::access::kWrite, p::share::kRead,
                      resume ? p::Disposition::kOpenAlways : p::Disposition::kCreateAlways, p::attribute::kNormal);
  path_ = file_ ? path : std::u16string();
  // Marked as soon as it exists; a file system without marks keeps the file.
  if (file_ && origin_) files_.WriteOriginMark(path, *origin_);
  return file_ != nullptr;
}

uint32_t DirectTarget::Write(const void* data, uint32_t size) {
  uint32_t written = 0;
  // What reached the file counts, also from a write that failed part way.
  if (file_) file_->Write(data, size, &written);
  return written;
}

int64_t DirectTarget::Size() {
  if (!file_) return -1;
  const int64_t size = file_->Size();
  if (size < 0 || !file_->Seek(0, p::SeekFrom::kEnd, nullptr)) return -1;
  return size;
}

bool DirectTarget::CutAt(int64_t size) {
  if (!file_) return false;
  const int64_t now = file_->Size();
  if (now < 0 || size > now) return false;
  return file_->Seek(size, p::SeekFrom::kBegin, nullptr) && file_->SetEndOfFile();
}

}  // namespace vard
