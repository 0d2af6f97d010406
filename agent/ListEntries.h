#pragma once
// Entries of the agent's transfer lists. The view owns them through shared
// pointers (one row each); the workers update `status` and `bytes_done`
// under the worker's transfer lock. Built on the UI thread from hand-off
// records; every text field is stored terminated within its capacity.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/handoff/HandOffRecords.h"

namespace vard {

// The shell's "open" of a file; the view that owns the list hands in its own.
class IShellOpen {
 public:
  virtual ~IShellOpen() = default;
  virtual void OpenFile(const std::u16string& path) = 0;
};

// One row of an owner-data list.
class CListData {
 public:
  virtual ~CListData() = default;
  // System image-list index for column 0, -1 for the others.
  virtual int Icon(int column) const = 0;
  virtual std::u16string Text(int column) const = 0;
  virtual bool HasBar(int column) const { return column == 3; }
  virtual int Percent(int column) const = 0;
  // Double-click action, with the shell of the view that saw the click.
  virtual void Open(IShellOpen& shell) = 0;
};

// An entry's status. The record keeps the number.
enum class EntryStatus : int32_t { kTransferring = -1, kFailed = 0, kWaiting = 1, kStopped = 2, kPaused = 3, kDone = 4 };
namespace entry_status {
constexpr int32_t kTransferring = static_cast<int32_t>(EntryStatus::kTransferring);
constexpr int32_t kFailed = static_cast<int32_t>(EntryStatus::kFailed);
constexpr int32_t kWaiting = static_cast<int32_t>(EntryStatus::kWaiting);
constexpr int32_t kStopped = static_cast<int32_t>(EntryStatus::kStopped);
constexpr int32_t kPaused = static_cast<int32_t>(EntryStatus::kPaused);
constexpr int32_t kDone = static_cast<int32_t>(EntryStatus::kDone);
}  // namespace entry_status

struct UPLOAD_INFO : FILE_INFO, CListData {
  explicit UPLOAD_INFO(const FILE_INFO& info);

  int32_t status = entry_status::kWaiting;
  int64_t bytes_done = 0;
  char16_t server_name[261] = {};
  char16_t resume_mark[2] = u"n";
  char16_t remaining_time[16] = u"00:00:00";
  char16_t save_folder[263] = {};
  std::vector<std::u16string> worker_items;  // the upload worker's own use

  int Icon(int column) const override { return column == 0 ? icon_index : -1; }
  std::u16string Text(int column) const override;
  // The name the entry shows and sends: its path's last part, without the
  // characters that would show it as something it is not. The file on
  // disk keeps its own name.
  std::u16string ShownName() const;
  // The whole path, cleaned the same way, for questions and the server.
  std::u16string ShownPath() const;
  int Percent(int column) const override;
  void Open(IShellOpen&) override {}
  // A folder entry shows no size.
  virtual bool IsFolderEntry() const { return is_folder != 0; }
};

inline constexpr char16_t kFolderMarkerUrl[] = u"this_is_folder";

class CDownloadFile : public UPLOAD_INFO {
 public:
  // `displayName` is the name after duplicate renaming; `iconIndex` the
  // system image-list index for it.
  CDownloadFile(const DOWNLOAD_INFO& record, const COOKIE_INFO& cookieInfo, const std::u16string& displayName,
                int iconIndex);

  // Texts kept as the hand-off's fields would hold them (2084 and 2047
  // units at most), but only as long as they are: a batch of 999 entries
  // would otherwise touch 8 MB it never uses.
  static constexpr size_t kUrlCapacity = 2085;
  static constexpr size_t kCookieCapacity = 2048;
  std::u16string url;
  std::u16string cookie;
  int32_t speed_limit_kb = 0;
  uint8_t resume_by_query = 0;
  std::u16string local_path;    // set by the worker
  std::u16string local_folder;  // the save folder local_path was worked out from

  bool IsFolderMarker() const;
  // Whether the next turn keeps local_path: a partial file the entry began
  // is resumed where it is, and a path worked out from this same folder
  // stays; anything else is worked out anew from `saveFolder`.
  bool KeepsLocalPath(const std::u16string& saveFolder) const;
  // The save folder the entry's next turn writes below.
  std::u16string TargetFolder(const std::u16string& saveFolder) const;
  bool IsFolderEntry() const override { return UPLOAD_INFO::IsFolderEntry() || IsFolderMarker(); }
  // Opens the downloaded file, once the worker has set where it went.
  void Open(IShellOpen& shell) override;
};

class CUploadFile : public UPLOAD_INFO, public ACTION_INFO, public POST_DATAS {
 public:
  // `postData` may be null: the entry then has all pairs empty.
  CUploadFile(const FILE_INFO& record, const ACTION_INFO& action, const POST_DATAS* postData, int iconIndex);

  // Pairs in use: up to the first empty name, at most 99.
  int PostPairCount() const;
};

using EntryList = std::vector<std::shared_ptr<UPLOAD_INFO>>;

}  // namespace vard
