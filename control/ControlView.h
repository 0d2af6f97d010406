#pragma once
// What the control's presenter needs from its window: the list view, the
// status bar, menus and message boxes (the embedded dialog of child mode is
// the download dialogs' service).
// Win32 implements it with real windows; the console view prints; tests
// record. Called on the control's thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "control/ContextMenu.h"
#include "control/ListStyle.h"

namespace vard {

class DownloadList;

class IControlView {
 public:
  virtual ~IControlView() = default;

  virtual int32_t ClientWidth() = 0;
  virtual int32_t ClientHeight() = 0;
  virtual int32_t VerticalScrollBarWidth() = 0;

  // The list view shows rows of `list`, asking it for cells (virtual list).
  virtual void CreateListView(const DownloadList& list) = 0;
  virtual void InsertColumn(int32_t index, const std::u16string& title, int32_t width, bool rightAligned) = 0;
  virtual int32_t ColumnCount() = 0;
  virtual int32_t ColumnWidth(int32_t index) = 0;
  virtual void SetColumnWidth(int32_t index, int32_t width) = 0;
  virtual void SetViewMode(ListViewMode mode) = 0;
  virtual void SetItemCount(int32_t rows) = 0;
  virtual void PlaceListView(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual std::vector<int32_t> SelectedRows() = 0;  // ascending
  virtual void SetSelectedRows(const std::vector<int32_t>& rows) = 0;

  virtual void CreateStatusBar() = 0;
  virtual int32_t StatusBarHeight() = 0;
  virtual void PlaceStatusBar(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual void SetStatusParts(int32_t firstEnd, int32_t secondEnd) = 0;
  virtual void SetStatusText(int32_t part, const std::u16string& text) = 0;

  // Keyboard focus: whether one of the window's children has it, and
  // giving it to the list.
  virtual bool FocusIsOnChild() = 0;
  virtual void FocusList() = 0;

  // Shows the popup at screen coordinates; the chosen command or 0.
  virtual uint16_t TrackPopupMenu(const std::vector<ContextMenuEntry>& entries, int32_t x, int32_t y) = 0;
  virtual void MessageBox(const std::u16string& text, const std::u16string& caption) = 0;
};

}  // namespace vard
