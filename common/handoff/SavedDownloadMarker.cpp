#include "common/handoff/SavedDownloadMarker.h"

#include <vector>

#include "common/handoff/HandOffRecords.h"
#include "common/handoff/SavedDownloads.h"
#include "common/platform/FileSystem.h"

namespace vard {
namespace {

using platform::File;
using platform::SeekFrom;

constexpr uint32_t kRecordSize = sizeof(DOWNLOAD_INFO);
constexpr uint32_t kRecordsPerRead = 64;

bool ReadRecordAt(File& file, int64_t offset, DOWNLOAD_INFO* record) {
  uint32_t got = 0;
  return file.Seek(offset, SeekFrom::kBegin) && file.Read(record, kRecordSize, &got) && got == kRecordSize;
}

// The whole record is written again, as a reader of the old layout expects.
// No flush to the disk: readers see the write at once, and a mark lost to a
// power cut only leaves a finished download pending, never a pending one
// marked.
bool WriteDoneAt(File& file, int64_t offset, DOWNLOAD_INFO record) {
  record.state = kSavedDone;
  uint32_t written = 0;
  return file.Seek(offset, SeekFrom::kBegin) && file.Write(&record, kRecordSize, &written) && written == kRecordSize;
}

}  // namespace

bool SavedDownloadMarker::MarkDone(const std::u16string& url) {
  if (path_.empty()) return false;
  File file = File::Open(path_, platform::access::kRead | platform::access::kWrite,
                         platform::share::kRead | platform::share::kWrite, platform::Disposition::kOpenExisting);
  if (!file.IsOpen()) return false;
  if (auto known = firstAt_.find(url); known != firstAt_.end()) {
    DOWNLOAD_INFO record;
    if (ReadRecordAt(file, known->second, &record) && ReadField(record.url) == url)
      return WriteDoneAt(file, known->second, record);
    // The file was made anew under us: learn it again.
    firstAt_.clear();
    scanned_ = 0;
  }
  std::vector<DOWNLOAD_INFO> chunk(kRecordsPerRead);
  for (;;) {
    uint32_t got = 0;
    if (!file.Seek(scanned_, SeekFrom::kBegin) ||
        !file.Read(chunk.data(), kRecordsPerRead * kRecordSize, &got))
      return false;
    const uint32_t whole = got / kRecordSize;  // a trailing piece is not a record yet
    if (whole == 0) return false;
    int64_t found = -1;
    for (uint32_t i = 0; i < whole; ++i) {
      const int64_t at = scanned_ + static_cast<int64_t>(i) * kRecordSize;
      const auto [it, first] = firstAt_.try_emplace(ReadField(chunk[i].url), at);
      if (first && found < 0 && it->first == url) found = i;
    }
    const int64_t base = scanned_;
    scanned_ += static_cast<int64_t>(whole) * kRecordSize;
    if (found >= 0) return WriteDoneAt(file, base + found * kRecordSize, chunk[found]);
  }
}

}  // namespace vard
