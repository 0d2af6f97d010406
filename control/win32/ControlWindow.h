#pragma once
// The control's window on Windows: the list view over the control's list
// (owner data: it asks the list for every cell), the status bar and the
// context menu; in child mode the download dialog is its child. Implements
// the presenter's view; created and used on the control's thread.
#include <windows.h>

#include <string>

#include "control/CKT5Ctrl.h"
#include "control/ControlView.h"
#include "control/win32/WindowsDownloadDialogs.h"

namespace vard::com {

constexpr int kListViewId = 50001;

class ControlWindow final : public IControlView {
 public:
  // `published` learns the window as soon as it exists (the creation
  // sequence inside may need it) and forgets it when it is gone.
  explicit ControlWindow(CKT5Ctrl& ctrl, ControlWindowHandle* published = nullptr)
      : ctrl_(ctrl), published_(published) {}
  ~ControlWindow() override;
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  // Creates the window as a child of `parent`; the control's creation
  // sequence runs inside. False when the window could not be made.
  bool Create(HWND parent, const RECT& rect);
  void Destroy();
  HWND Handle() const { return hwnd_; }
  HWND List() const { return list_; }
  HWND StatusBar() const { return status_; }

  int32_t ClientWidth() override;
  int32_t ClientHeight() override;
  int32_t VerticalScrollBarWidth() override;
  void CreateListView(const DownloadList& list) override;
  void InsertColumn(int32_t index, const std::u16string& title, int32_t width, bool rightAligned) override;
  int32_t ColumnCount() override;
  int32_t ColumnWidth(int32_t index) override;
  void SetColumnWidth(int32_t index, int32_t width) override;
  void SetViewMode(ListViewMode mode) override;
  void SetItemCount(int32_t rows) override;
  void PlaceListView(int32_t x, int32_t y, int32_t width, int32_t height) override;
  std::vector<int32_t> SelectedRows() override;
  void SetSelectedRows(const std::vector<int32_t>& rows) override;
  void CreateStatusBar() override;
  int32_t StatusBarHeight() override { return statusHeight_; }
  void PlaceStatusBar(int32_t x, int32_t y, int32_t width, int32_t height) override;
  void SetStatusParts(int32_t firstEnd, int32_t secondEnd) override;
  void SetStatusText(int32_t part, const std::u16string& text) override;
  bool FocusIsOnChild() override;
  void FocusList() override;
  uint16_t TrackPopupMenu(const std::vector<ContextMenuEntry>& entries, int32_t x, int32_t y) override;
  void MessageBox(const std::u16string& text, const std::u16string& caption) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnListNotify(NMHDR* header);

  CKT5Ctrl& ctrl_;
  ControlWindowHandle* published_;
  HWND hwnd_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  int32_t statusHeight_ = 0;
  const DownloadList* model_ = nullptr;
  std::u16string cell_;  // the text handed to the list view last
};

}  // namespace vard::com
