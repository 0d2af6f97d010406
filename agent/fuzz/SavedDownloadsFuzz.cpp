// libFuzzer target: random kt_save.dat contents through the count, the
// pending read and the marking.
#include <cstdint>
#include <string>

#include "common/handoff/SavedDownloads.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vard;
  static const std::u16string path = platform::TempFolder() + u"vard_fuzz_kt_save.dat";
  {
    auto f = platform::File::Open(path, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
    if (!f.IsOpen()) return 0;
    uint32_t written = 0;
    if (size) f.Write(data, static_cast<uint32_t>(size), &written);
  }
  const int count = SavedFileCount(path);
  const auto pending = PendingSavedDownloads(path);
  if (static_cast<size_t>(count) != pending.size()) __builtin_trap();
  if (!pending.empty()) {
    MarkSavedDownloadDone(path, ReadField(pending.front().url));
    if (SavedFileCount(path) > count) __builtin_trap();  // the first match may already be done
  }
  if (platform::FileSizeOf(path) != static_cast<int64_t>(size)) __builtin_trap();
  return 0;
}
