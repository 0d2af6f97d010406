#pragma once
// The saved-downloads file "kt_save.dat": every download record handed to the
// agent, 5760 bytes each, no header. The agent appends and marks; the control
// counts and re-sends pending ones. Every open shares the file for reading
// and writing; a trailing piece shorter than a record is ignored.
#include <string>
#include <vector>

#include "common/handoff/HandOffRecords.h"
#include "common/platform/FileSystem.h"

namespace vard {

inline constexpr char16_t kSavedDownloadsName[] = u"kt_save.dat";
constexpr int32_t kSavedPending = 1;
constexpr int32_t kSavedDone = 2;

// Path of the file in the data folder; empty when there is no data folder.
std::u16string SavedDownloadsPath();

// Agent start-up in download mode: the file starts empty.
void ResetSavedDownloads(const std::u16string& path);

// Appends records for the duration of one hand-off read. When the file
// cannot be opened, records are simply not saved.
class SavedDownloadsAppender {
 public:
  explicit SavedDownloadsAppender(const std::u16string& path);
  void Append(const DOWNLOAD_INFO& record);
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }

 private:
  platform::File file_;
};

// Records whose state is 1; 0 when the file cannot be opened.
int SavedFileCount(const std::u16string& path);
// Records whose state is 1, in file order, unchanged.
std::vector<DOWNLOAD_INFO> PendingSavedDownloads(const std::u16string& path);
// Sets state 2 on the first record whose url equals `url` exactly, whatever
// its state. False when nothing was marked.
bool MarkSavedDownloadDone(const std::u16string& path, const std::u16string& url);
// The same for several URLs in one pass over the file (a URL listed twice
// marks its first record once). Returns how many records were marked.
int MarkSavedDownloadsDone(const std::u16string& path, const std::vector<std::u16string>& urls);

}  // namespace vard
