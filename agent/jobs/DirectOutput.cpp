#include "agent/jobs/DirectOutput.h"

#include "common/platform/FolderChain.h"

namespace vard {
namespace p = platform;

bool DirectOutput::MakeFolders(const std::u16string& folder) { return p::MakeFolderChain(folder, files_); }

ExistingFile DirectOutput::Exists(const std::u16string& path) {
  const auto found = files_.Find(path);
  return found && !(found->attributes & p::attribute::kDirectory) ? ExistingFile::kExists : ExistingFile::kMissing;
}

bool DirectOutput::Open(const std::u16string& path, bool append) {
  file_.reset();
  if (append) file_ = files_.Open(path, p::access::kWrite, p::share::kRead, p::Disposition::kOpenExisting, p::attribute::kNormal);
  if (!file_) file_ = files_.Open(path, p::access::kWrite, p::share::kRead, p::Disposition::kCreateAlways, p::attribute::kNormal);
  path_ = file_ ? path : std::u16string();
  // Marked as soon as it exists; a file system without marks keeps the file.
  if (file_ && origin_) files_.WriteOriginMark(path, *origin_);
  return file_ != nullptr;
}

void DirectOutput::SetOrigin(const p::OriginMark& mark) {
  if (file_ && (!origin_ || *origin_ != mark)) files_.WriteOriginMark(path_, mark);
  origin_ = mark;
}

int64_t DirectOutput::SeekToEnd() {
  int64_t position = -1;
  if (!file_ || !file_->Seek(0, p::SeekFrom::kEnd, &position)) return -1;
  return position;
}

bool DirectOutput::SeekTo(int64_t offset) {
  // What lay beyond is cut, so the size on disk stays what was placed.
  return file_ && file_->Seek(offset, p::SeekFrom::kBegin, nullptr) && file_->SetEndOfFile();
}

WriteResult DirectOutput::Write(const uint8_t* bytes, uint32_t count) {
  if (!file_) return WriteResult::kFailed;
  while (count > 0) {
    uint32_t written = 0;
    const bool ok = file_->Write(bytes, count, &written);
    if (!ok || written == 0) return WriteResult::kFailed;
    bytes += written;
    count -= written;
  }
  return WriteResult::kWritten;
}

bool DirectOutput::Close() {
  if (!file_) return true;
  const bool closed = file_->Close();
  file_.reset();
  return closed;
}

}  // namespace vard
