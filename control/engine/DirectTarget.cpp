#include "control/engine/DirectTarget.h"

#include "common/platform/FolderChain.h"

namespace vard {
namespace p = platform;

void DirectTarget::MakeFolders(const std::u16string& path) { p::MakeFolderChain(path); }

bool DirectTarget::Exists(const std::u16string& path) { return p::PathExists(path); }

bool DirectTarget::Open(const std::u16string& path, bool resume) {
  file_ = p::File::Open(path, p::access::kRead | p::access::kWrite, p::share::kRead,
                        resume ? p::Disposition::kOpenAlways : p::Disposition::kCreateAlways);
  return file_.IsOpen();
}

uint32_t DirectTarget::Write(const void* data, uint32_t size) {
  uint32_t written = 0;
  if (!file_.Write(data, size, &written)) return 0;
  return written;
}

int64_t DirectTarget::Size() {
  const int64_t size = file_.Size();
  if (size < 0 || !file_.Seek(0, p::SeekFrom::kEnd)) return -1;
  return size;
}

bool DirectTarget::CutAt(int64_t size) {
  const int64_t now = file_.Size();
  if (now < 0 || size > now) return false;
  return file_.Seek(size, p::SeekFrom::kBegin) && file_.SetEndOfFile();
}

}  // namespace vard
