#pragma once
// The control's file list: the items (one per appended file, the unit of
// download) and the display rows (one per item, or in the grouped layout
// one per top-level folder). Owned by the control; used on its thread only.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/transfer/SafeName.h"

#include "common/platform/PathText.h"
#include "control/SizeTotal.h"

namespace vard {

enum class FolderLayout : int32_t { kType0 = 0, kType1 = 1, kType2 = 2 };

// Capacities of the fixed text fields, terminator included.
constexpr size_t kDisplayNameCapacity = 261;
constexpr size_t kSizeTextCapacity = 128;
constexpr size_t kSubFolderCapacity = 260;
constexpr size_t kCountTextCapacity = 33;

struct DownloadItem {
  int32_t iconIndex = 0;
  std::u16string displayName;
  std::u16string sizeText;
  std::u16string subFolder;
  int32_t status = 0;  // 0 waiting, 1 transferring, 2 done, 3 cancelled, 4 failed
  std::u16string url;
  std::u16string fileName;
  std::u16string localPath;
  int64_t fileSize = 0;
  // The size as the page gave it (0: none), all an untrusted page may read
  // back: what a server answered stays with the person.
  int64_t pageSize = 0;
  // The page gave no size and the server named none: fetched to the end of its body.
  bool sizeUnknown = false;
  // The drop path refused the name it built (it leaves its folder, or is
  // too deep for one): the run fails the item without making anything.
  bool refusedName = false;
};

struct DownloadRow {
  int32_t rowIcon = 0;
  std::u16string rowName;
  std::u16string rowSizeText;
  std::u16string fileCountText;
  std::u16string folderCountText;
  bool isGroup = false;
  std::u16string groupName;
  int64_t totalSize = 0;  // `sizes` clamped to the 64-bit range
  SizeTotal sizes;
  int32_t fileCount = 0;
  std::set<std::u16string> subFolders;
  std::set<int32_t> itemIndexes;
};

// Answers the model needs from outside: the size query and icon lookup.
struct DownloadListServices {
  std::function<std::optional<int64_t>(const std::u16string& url, bool utf8)> queryRemoteSize;  // none: unknown
  std::function<int32_t(const std::u16string& name, bool directory)> iconIndex;
  std::function<std::u16string(uint32_t textId)> text;  // language pack text
};

class DownloadList {
 public:
  explicit DownloadList(DownloadListServices services = {});

  void SetLayout(FolderLayout layout) { layout_ = layout; }
  FolderLayout Layout() const { return layout_; }

  void AddItem(const std::u16string& url, const std::u16string& name, int64_t size, bool utf8);
  void RemoveAll();
  // Rows in any order, repeated or out of range; as if removed one by one
  // from the highest down, in one pass. Every remaining row keeps pointing at
  // the same items.
  void RemoveSelected(const std::vector<int32_t>& selectedRows);

  int32_t RowCount() const;
  int32_t ItemCount() const { return static_cast<int32_t>(items_.size()); }
  const std::vector<DownloadItem>& Items() const { return items_; }
  const std::vector<DownloadRow>& Rows() const { return rows_; }

  // The item a shown row stands for (a group's first item); null when the
  // row does not exist or holds no item.
  const DownloadItem* ItemOfRow(int32_t row) const;
  std::vector<DownloadItem> ItemsOfRows(const std::vector<int32_t>& rows) const;
  // Size a shown row counts for in the status texts.
  int64_t RowSize(int32_t row) const;
  int64_t TotalSize() const;
  // What the given shown rows count for together (the selection's size).
  int64_t SizeOfRows(const std::vector<int32_t>& rows) const;
  bool RowIsGroup(int32_t row) const;
  int32_t RowItemCount(int32_t row) const;

  // Cell text of a shown row, column by column as the layout shows them.
  std::u16string CellText(int32_t row, int32_t column) const;
  int32_t RowIcon(int32_t row) const;

  // The drag-out batch: copies of the selected rows' items with fileName
  // made a full path below `folder`, each checked to stay inside it.
  std::vector<DownloadItem> DropBatch(std::u16string folder, const std::vector<int32_t>& rows,
                                      transfer::NameSource source = transfer::NameSource::kTrusted) const;

 private:
  void RefreshCountTexts(DownloadRow& row) const;
  void SetRowTotal(DownloadRow& row) const;
  void RemoveMarked(const std::vector<bool>& itemGoes, const std::vector<bool>& rowGoes);

  DownloadListServices services_;
  FolderLayout layout_ = FolderLayout::kType0;
  std::vector<DownloadItem> items_;
  std::vector<DownloadRow> rows_;
};

using platform::LastPathComponent;

}  // namespace vard
