#include "DownloadList.h"

#include <algorithm>

#include "common/text/CaseFold.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"
#include "common/transfer/SafeName.h"

namespace vard {
namespace {

constexpr uint32_t kTextCount = 118;

std::u16string Bounded(std::u16string s, size_t capacity) {
  if (s.size() > capacity - 1) s.resize(capacity - 1);
  return s;
}

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// Every prefix of S that ends just before one of its "/".
void InsertPrefixes(std::set<std::u16string>& into, const std::u16string& s) {
  for (size_t k = 0; k < s.size(); ++k)
    if (s[k] == u'/') into.insert(s.substr(0, k));
}

// A copy of `item` for a drop into `folder` (ending in "\\"), as the file
// `relative` below it. The name is checked here, where the folder it must
// stay in is known: the run then fails a refused one before making anything.
DownloadItem Dropped(const DownloadItem& item, const std::u16string& folder, const std::u16string& relative,
                     transfer::NameSource source) {
  DownloadItem copy = item;
  copy.fileName = folder + relative;
  copy.refusedName = !transfer::FitsInsideFolder(folder, relative, source);
  return copy;
}

}  // namespace

DownloadList::DownloadList(DownloadListServices services) : services_(std::move(services)) {}

void DownloadList::RefreshCountTexts(DownloadRow& row) const {
  const std::u16string format = services_.text ? services_.text(kTextCount) : std::u16string();
  row.fileCountText = Bounded(FormatText(format, {row.fileCount}), kCountTextCapacity);
  row.folderCountText =
      Bounded(FormatText(format, {static_cast<int32_t>(row.subFolders.size())}), kCountTextCapacity);
}

void DownloadList::AddItem(const std::u16string& url, const std::u16string& name, int64_t size, bool utf8) {
  std::u16string n = name;
  const bool folderEntry = !n.empty() && IsSeparator(n.back());
  if (n.empty()) n = LastPathComponent(url);
  n = transfer::WithoutBidiControls(n);

  DownloadItem item;
  std::u16string display = folderEntry ? LastPathComponent(n.substr(0, n.size() - 1)) : LastPathComponent(n);
  item.displayName = Bounded(display, kDisplayNameCapacity);
  if (folderEntry) {
    item.subFolder = Bounded(n, kSubFolderCapacity);
  } else if (display.size() < n.size()) {
    item.subFolder = Bounded(n.substr(0, n.size() - display.size() - 1), kSubFolderCapacity);
  }
  item.pageSize = size;
  if (size == 0 && !folderEntry && services_.queryRemoteSize) {
    const std::optional<int64_t> asked = services_.queryRemoteSize(url, utf8);
    size = asked.value_or(0);
    // Neither the page nor the server knows: fetched to the end of its body.
    item.sizeUnknown = !asked;
  }
  item.iconIndex = services_.iconIndex ? services_.iconIndex(item.displayName, folderEntry) : 0;
  item.sizeText = Bounded(FormatSize(size), kSizeTextCapacity);
  item.url = url;
  item.fileName = n;
  item.fileSize = size;

  std::u16string p = n;
  std::replace(p.begin(), p.end(), u'\\', u'/');
  const size_t first = p.find(u'/');
  const bool grouped = first != std::u16string::npos || folderEntry;
  std::u16string group, sub;
  if (grouped) {
    group = first == std::u16string::npos ? p : p.substr(0, first);
    if (folderEntry) {
      sub = first == std::u16string::npos ? std::u16string() : p.substr(first + 1);
    } else {
      const size_t last = p.rfind(u'/');
      sub = last == first ? std::u16string() : p.substr(first + 1, last - first);
    }
  }

  const int32_t index = static_cast<int32_t>(items_.size());
  items_.push_back(std::move(item));
  const DownloadItem& added = items_.back();

  if (grouped) {
    for (DownloadRow& row : rows_) {
      if (!row.isGroup || !EqualsIgnoreCase(row.groupName, group)) continue;
      if (!folderEntry) ++row.fileCount;
      row.sizes.Add(size);
      SetRowTotal(row);
      InsertPrefixes(row.subFolders, sub);
      row.itemIndexes.insert(index);
      RefreshCountTexts(row);
      return;
    }
  }
  DownloadRow row;
  row.rowName = Bounded(grouped ? group : added.displayName, kDisplayNameCapacity);
  row.rowIcon = grouped ? (services_.iconIndex ? services_.iconIndex(group, true) : 0) : added.iconIndex;
  row.groupName = group;
  row.isGroup = grouped;
  row.sizes.Add(size);
  SetRowTotal(row);
  row.fileCount = folderEntry ? 0 : 1;
  if (grouped) {
    InsertPrefixes(row.subFolders, sub);
    RefreshCountTexts(row);
  }
  row.itemIndexes.insert(index);
  rows_.push_back(std::move(row));
}

void DownloadList::RemoveAll() {
  items_.clear();
  rows_.clear();
}

void DownloadList::SetRowTotal(DownloadRow& row) const {
  row.totalSize = row.sizes.Clamped();
  row.rowSizeText = Bounded(FormatSize(row.totalSize), kSizeTextCapacity);
}

void DownloadList::RemoveSelected(const std::vector<int32_t>& selectedRows) {
  // Marks first and compacts once: removing rows one at a time renumbers
  // every row per removal, which is quadratic in the list's length.
  const int32_t rowCount = RowCount();
  std::vector<bool> selected(static_cast<size_t>(rowCount), false);
  bool any = false;
  for (int32_t r : selectedRows) {
    if (r < 0 || r >= rowCount) continue;
    selected[static_cast<size_t>(r)] = true;
    any = true;
  }
  if (!any) return;

  std::vector<bool> itemGoes(items_.size(), false);
  std::vector<bool> rowGoes(rows_.size(), false);
  if (layout_ == FolderLayout::kType2) {
    rowGoes = selected;
    for (size_t r = 0; r < rows_.size(); ++r)
      if (rowGoes[r])
        for (int32_t i : rows_[r].itemIndexes) itemGoes[static_cast<size_t>(i)] = true;
  } else {
    // A row index is an item index: a plain row goes with its item, a group
    // only loses the item and its size.
    itemGoes = selected;
    for (size_t r = 0; r < rows_.size(); ++r) {
      DownloadRow& row = rows_[r];
      bool shrunk = false;
      for (int32_t i : row.itemIndexes) {
        if (!itemGoes[static_cast<size_t>(i)]) continue;
        if (!row.isGroup) {
          rowGoes[r] = true;
          break;
        }
        row.sizes.Subtract(items_[static_cast<size_t>(i)].fileSize);
        shrunk = true;
      }
      if (shrunk) SetRowTotal(row);
    }
  }
  RemoveMarked(itemGoes, rowGoes);
}

void DownloadList::RemoveMarked(const std::vector<bool>& itemGoes, const std::vector<bool>& rowGoes) {
  std::vector<int32_t> newIndex(items_.size(), -1);
  size_t kept = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (itemGoes[i]) continue;
    newIndex[i] = static_cast<int32_t>(kept);
    if (kept != i) items_[kept] = std::move(items_[i]);
    ++kept;
  }
  items_.resize(kept);

  size_t keptRows = 0;
  for (size_t r = 0; r < rows_.size(); ++r) {
    if (rowGoes[r]) continue;
    DownloadRow& row = rows_[r];
    std::set<int32_t> renumbered;
    for (int32_t i : row.itemIndexes)
      if (newIndex[static_cast<size_t>(i)] >= 0) renumbered.insert(renumbered.end(), newIndex[static_cast<size_t>(i)]);
    row.itemIndexes = std::move(renumbered);
    if (keptRows != r) rows_[keptRows] = std::move(row);
    ++keptRows;
  }
  rows_.resize(keptRows);
}

int32_t DownloadList::RowCount() const {
  return layout_ == FolderLayout::kType2 ? static_cast<int32_t>(rows_.size())
                                         : static_cast<int32_t>(items_.size());
}

const DownloadItem* DownloadList::ItemOfRow(int32_t row) const {
  if (row < 0 || row >= RowCount()) return nullptr;
  if (layout_ != FolderLayout::kType2) return &items_[row];
  const auto& indexes = rows_[row].itemIndexes;
  return indexes.empty() ? nullptr : &items_[*indexes.begin()];
}

std::vector<DownloadItem> DownloadList::ItemsOfRows(const std::vector<int32_t>& rows) const {
  std::vector<DownloadItem> out;
  for (int32_t r : rows) {
    if (r < 0 || r >= RowCount()) continue;
    if (layout_ != FolderLayout::kType2) {
      out.push_back(items_[r]);
    } else {
      for (int32_t i : rows_[r].itemIndexes) out.push_back(items_[i]);
    }
  }
  return out;
}

int64_t DownloadList::RowSize(int32_t row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return layout_ == FolderLayout::kType2 ? rows_[row].totalSize : items_[row].fileSize;
}

int64_t DownloadList::TotalSize() const {
  SizeTotal sum;
  for (const DownloadItem& item : items_) sum.Add(item.fileSize);
  return sum.Clamped();
}

int64_t DownloadList::SizeOfRows(const std::vector<int32_t>& rows) const {
  SizeTotal sum;
  for (int32_t r : rows) sum.Add(RowSize(r));
  return sum.Clamped();
}

bool DownloadList::RowIsGroup(int32_t row) const {
  return layout_ == FolderLayout::kType2 && row >= 0 && row < RowCount() && rows_[row].isGroup;
}

int32_t DownloadList::RowItemCount(int32_t row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return layout_ == FolderLayout::kType2 ? static_cast<int32_t>(rows_[row].itemIndexes.size()) : 1;
}

std::u16string DownloadList::CellText(int32_t row, int32_t column) const {
  if (row < 0 || row >= RowCount()) return {};
  if (layout_ == FolderLayout::kType2) {
    const DownloadRow& r = rows_[row];
    switch (column) {
      case 0: return r.rowName;
      case 1: return r.rowSizeText;
      case 2: return r.fileCountText;
      case 3: return r.folderCountText;
      default: return {};
    }
  }
  const DownloadItem& item = items_[row];
  switch (column) {
    case 0: return item.displayName;
    case 1: return item.sizeText;
    case 2: return item.subFolder;
    default: return {};
  }
}

int32_t DownloadList::RowIcon(int32_t row) const {
  if (row < 0 || row >= RowCount()) return 0;
  return layout_ == FolderLayout::kType2 ? rows_[row].rowIcon : items_[row].iconIndex;
}

std::vector<DownloadItem> DownloadList::DropBatch(std::u16string folder, const std::vector<int32_t>& rows,
                                                  transfer::NameSource source) const {
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  std::vector<DownloadItem> batch;
  for (int32_t r : rows) {
    if (r < 0 || r >= RowCount()) continue;
    if (layout_ != FolderLayout::kType2) {
      batch.push_back(Dropped(items_[r], folder, LastPathComponent(items_[r].fileName), source));
      continue;
    }
    for (int32_t i : rows_[r].itemIndexes) {
      const DownloadItem& item = items_[i];
      const std::u16string name = LastPathComponent(item.fileName);
      DownloadItem copy =
          Dropped(item, folder, item.subFolder.empty() ? name : item.subFolder + u"\\" + name, source);
      copy.fileName = folder + item.subFolder + u"\\" + name;
      batch.push_back(std::move(copy));
    }
  }
  return batch;
}

}  // namespace vard
