#pragma once
// The control window as text: keeps what a real window would show (columns,
// rows, selection, status texts) and prints it on request. Used by the
// scripting host on every target and by tests.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "control/ControlView.h"

namespace vard {

struct ConsoleColumn {
  std::u16string title;
  int32_t width;
  bool rightAligned;
};

class ConsoleControlView final : public IControlView {
 public:
  ConsoleControlView(int32_t width = 400, int32_t height = 300) : width_(width), height_(height) {}

  void Resize(int32_t width, int32_t height) { width_ = width; height_ = height; }
  void SetScrollBarWidth(int32_t v) { scrollBar_ = v; }
  void SetMenuAnswer(uint16_t command) { menuAnswer_ = command; }
  void Print(std::ostream& out) const;

  const std::vector<ConsoleColumn>& Columns() const { return columns_; }
  const std::u16string& StatusText(int part) const { return status_[part & 1]; }
  ListViewMode Mode() const { return mode_; }
  const std::vector<ContextMenuEntry>& LastMenu() const { return lastMenu_; }
  int32_t ItemCount() const { return itemCount_; }
  int32_t ListHeight() const { return listHeight_; }
  int32_t StatusParts(int i) const { return parts_[i & 1]; }
  const std::vector<std::u16string>& Messages() const { return messages_; }

  int32_t ClientWidth() override { return width_; }
  int32_t ClientHeight() override { return height_; }
  int32_t VerticalScrollBarWidth() override { return scrollBar_; }
  void CreateListView(const DownloadList& list) override { list_ = &list; }
  void InsertColumn(int32_t index, const std::u16string& title, int32_t width, bool rightAligned) override;
  int32_t ColumnCount() override { return static_cast<int32_t>(columns_.size()); }
  int32_t ColumnWidth(int32_t index) override;
  void SetColumnWidth(int32_t index, int32_t width) override;
  void SetViewMode(ListViewMode mode) override { mode_ = mode; }
  void SetItemCount(int32_t rows) override;
  void PlaceListView(int32_t, int32_t, int32_t, int32_t height) override { listHeight_ = height; }
  std::vector<int32_t> SelectedRows() override { return selected_; }
  void SetSelectedRows(const std::vector<int32_t>& rows) override;
  void CreateStatusBar() override { statusBar_ = true; }
  int32_t StatusBarHeight() override { return 20; }
  void PlaceStatusBar(int32_t, int32_t, int32_t, int32_t) override {}
  void SetStatusParts(int32_t a, int32_t b) override { parts_[0] = a; parts_[1] = b; }
  void SetStatusText(int32_t part, const std::u16string& text) override { status_[part & 1] = text; }
  bool FocusIsOnChild() override { return !focus_.empty(); }
  void FocusList() override { focus_ = "list"; }
  const std::string& Focus() const { return focus_; }
  uint16_t TrackPopupMenu(const std::vector<ContextMenuEntry>& entries, int32_t x, int32_t y) override;
  void MessageBox(const std::u16string& text, const std::u16string& caption) override;

 private:
  int32_t width_, height_;
  int32_t scrollBar_ = 17;
  int32_t listHeight_ = 0;
  int32_t itemCount_ = 0;
  int32_t parts_[2] = {0, 0};
  const DownloadList* list_ = nullptr;
  std::vector<ConsoleColumn> columns_;
  std::vector<int32_t> selected_;
  std::u16string status_[2];
  ListViewMode mode_ = ListViewMode::kReport;
  bool statusBar_ = false;
  uint16_t menuAnswer_ = 0;
  std::string focus_;
  std::vector<ContextMenuEntry> lastMenu_;
  std::vector<std::u16string> messages_;
};

}  // namespace vard
