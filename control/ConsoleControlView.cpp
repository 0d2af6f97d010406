#include "ConsoleControlView.h"

#include <algorithm>

#include "common/text/Utf.h"
#include "control/DownloadList.h"

namespace vard {

void ConsoleControlView::InsertColumn(int32_t index, const std::u16string& title, int32_t width, bool right) {
  index = std::clamp(index, 0, ColumnCount());
  columns_.insert(columns_.begin() + index, ConsoleColumn{title, width, right});
}

int32_t ConsoleControlView::ColumnWidth(int32_t index) {
  return index >= 0 && index < ColumnCount() ? columns_[index].width : 0;
}

void ConsoleControlView::SetColumnWidth(int32_t index, int32_t width) {
  if (index >= 0 && index < ColumnCount()) columns_[index].width = width;
}

void ConsoleControlView::SetItemCount(int32_t rows) {
  itemCount_ = rows;
  std::erase_if(selected_, [rows](int32_t r) { return r >= rows; });
}

void ConsoleControlView::SetSelectedRows(const std::vector<int32_t>& rows) {
  selected_.clear();
  for (int32_t r : rows)
    if (r >= 0 && r < itemCount_) selected_.push_back(r);
  std::sort(selected_.begin(), selected_.end());
  selected_.erase(std::unique(selected_.begin(), selected_.end()), selected_.end());
}

uint16_t ConsoleControlView::TrackPopupMenu(const std::vector<ContextMenuEntry>& entries, int32_t, int32_t) {
  lastMenu_ = entries;
  const uint16_t answer = menuAnswer_;
  menuAnswer_ = 0;
  for (const ContextMenuEntry& e : entries)
    if (e.id == answer && !e.grayed && !e.separator) return answer;
  return 0;
}

void ConsoleControlView::MessageBox(const std::u16string& text, const std::u16string& caption) {
  messages_.push_back(caption + u": " + text);
}

void ConsoleControlView::Print(std::ostream& out) const {
  static const char* modes[] = {"report", "icon", "small icon", "list"};
  out << "  view " << modes[static_cast<int>(mode_)] << ", " << itemCount_ << " row(s)\n";
  out << "  columns:";
  for (const ConsoleColumn& c : columns_) out << " [" << Utf16ToUtf8(c.title) << " " << c.width << "]";
  out << "\n";
  for (int32_t r = 0; list_ && r < itemCount_; ++r) {
    const bool sel = std::find(selected_.begin(), selected_.end(), r) != selected_.end();
    out << (sel ? "  *" : "   ") << r << ":";
    for (int32_t c = 0; c < std::max<int32_t>(static_cast<int32_t>(columns_.size()), 1); ++c) out << " | " << Utf16ToUtf8(list_->CellText(r, c));
    out << "\n";
  }
  if (statusBar_) out << "  status: [" << Utf16ToUtf8(status_[0]) << "] [" << Utf16ToUtf8(status_[1]) << "]\n";
}

}  // namespace vard
