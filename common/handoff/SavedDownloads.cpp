#include "common/handoff/SavedDownloads.h"

#include <functional>
#include <set>

#include "common/handoff/SavedDownloadMarker.h"
#include "common/platform/KnownFolders.h"

namespace vard {
namespace {

using platform::Disposition;
using platform::File;
namespace access = platform::access;
namespace share = platform::share;

constexpr uint32_t kRecordSize = sizeof(DOWNLOAD_INFO);

File OpenShared(const std::u16string& path, uint32_t desired, Disposition disposition) {
  if (path.empty()) return File();
  return File::Open(path, desired, share::kRead | share::kWrite, disposition);
}

// Calls `visit` for every whole record from the start; it returns false to stop.
void ForEachRecord(File& file, const std::function<bool(DOWNLOAD_INFO&)>& visit) {
  if (!file.IsOpen() || !file.Seek(0, platform::SeekFrom::kBegin)) return;
  DOWNLOAD_INFO record;
  for (;;) {
    uint32_t got = 0;
    if (!file.Read(&record, kRecordSize, &got) || got != kRecordSize) return;
    if (!visit(record)) return;
  }
}

}  // namespace

std::u16string SavedDownloadsPath() {
  std::u16string folder = platform::DataFolder();
  if (folder.empty()) return {};
  if (folder.back() != u'\\') folder += u'\\';
  return folder + kSavedDownloadsName;
}

void ResetSavedDownloads(const std::u16string& path) {
  if (!path.empty()) platform::RemoveFile(path);
}

SavedDownloadsAppender::SavedDownloadsAppender(const std::u16string& path)
    : file_(OpenShared(path, access::kWrite, Disposition::kOpenAlways)) {}

void SavedDownloadsAppender::Append(const DOWNLOAD_INFO& record) {
  if (!file_.IsOpen()) return;
  // Appends go to the current end, as another opener may have grown the file.
  if (!file_.Seek(0, platform::SeekFrom::kEnd)) return;
  uint32_t written = 0;
  file_.Write(&record, kRecordSize, &written);
}

int SavedFileCount(const std::u16string& path) {
  File file = OpenShared(path, access::kRead, Disposition::kOpenExisting);
  int count = 0;
  ForEachRecord(file, [&](DOWNLOAD_INFO& r) {
    if (r.state == kSavedPending) ++count;
    return true;
  });
  return count;
}

std::vector<DOWNLOAD_INFO> PendingSavedDownloads(const std::u16string& path) {
  File file = OpenShared(path, access::kRead, Disposition::kOpenExisting);
  std::vector<DOWNLOAD_INFO> pending;
  ForEachRecord(file, [&](DOWNLOAD_INFO& r) {
    if (r.state == kSavedPending) pending.push_back(r);
    return true;
  });
  return pending;
}

bool MarkSavedDownloadDone(const std::u16string& path, const std::u16string& url) {
  return SavedDownloadMarker(path).MarkDone(url);
}

int MarkSavedDownloadsDone(const std::u16string& path, const std::vector<std::u16string>& urls) {
  std::set<std::u16string> wanted(urls.begin(), urls.end());
  if (wanted.empty()) return 0;
  File file = OpenShared(path, access::kRead | access::kWrite, Disposition::kOpenExisting);
  int marked = 0;
  ForEachRecord(file, [&](DOWNLOAD_INFO& r) {
    auto it = wanted.find(ReadField(r.url));
    if (it == wanted.end()) return true;
    wanted.erase(it);
    r.state = kSavedDone;
    uint32_t written = 0;
    if (!file.Seek(-static_cast<int64_t>(kRecordSize), platform::SeekFrom::kCurrent) ||
        !file.Write(&r, kRecordSize, &written) || written != kRecordSize)
      return false;
    ++marked;
    return !wanted.empty();
  });
  if (marked) file.Flush();
  return marked;
}

}  // namespace vard
