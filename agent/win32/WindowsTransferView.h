#pragma once
// Windows only: the transfer view's window. The form comes from the
// language table's template of the mode as a child dialog of the view
// window; the list is an owner-data list view over the form's placeholder
// with a drawn progress cell; the push buttons sit on the main window,
// which passes their clicks on. What changed is all that is redrawn: a row
// cell by cell, a control by its ID. Questions are message boxes and the
// agent's dialogs (PresenterDialogWindow). UI thread.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "agent/ListEntries.h"
#include "agent/views/TransferWindow.h"
#include "agent/win32/PresenterDialogWindow.h"

namespace vard {
class CMainFrame;
class CMainView;
}  // namespace vard

namespace vard::agentwin {

// The list control's ID.
inline constexpr int kListId = 50001;
// Least time between two repaints of what the presenter changed.
inline constexpr uint32_t kFrameMs = 500;

class WindowsTransferView final : public ITransferWindow {
 public:
  explicit WindowsTransferView(CMainFrame& frame);
  ~WindowsTransferView() override;

  void ControlChanged(int controlId) override;
  void RowCountChanged(size_t rows) override;
  void RedrawRow(size_t row, uint32_t columns) override;
  void RedrawAll() override;
  void EnsureVisible(size_t row) override;
  int FitToRows(size_t rows) override;
  void SelectionChanged() override;

  bool AskYesNo(const std::u16string& text, const std::u16string& caption) override;
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
  void ShowDialog(std::shared_ptr<CDialogPresenter> dialog) override;
  void DialogChanged(const CDialogPresenter& dialog) override;
  void DialogEnded(const CDialogPresenter& dialog) override;
  std::optional<std::u16string> BrowseFolder(const std::u16string& title, const std::u16string& initial) override;
  std::optional<std::u16string> AskSavePath(const std::u16string& path) override;

  HWND Form() const { return form_; }
  HWND List() const { return list_; }
  // A control of the form by ID, wherever it sits now.
  HWND Control(int controlId) const;
  // The open dialog's window (the top one), null when none.
  HWND DialogHandle() const;
  // Rectangles invalidated so far (for the figures).
  uint64_t Invalidations() const { return invalidations_; }

 private:
  static INT_PTR CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnFormMessage(UINT msg, WPARAM wp, LPARAM lp);
  void BuildForm();
  void BuildList();
  void MoveButtonsToFrame();
  // The list's and the buttons' rectangles as built, in the main window's
  // client coordinates.
  void RecordLayout();
  LRESULT OnListNotify(NMHDR* header);
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
  void DrawProgressCell(HDC dc, int row, const RECT& cell);
  HWND Owner() const;
  // What changed waits for the next frame: at most one repaint every
  // kFrameMs, the first change of a quiet spell at once.
  void Schedule();
  void Flush();
  void ApplyControl(int controlId);
  void InvalidateCells(size_t row, uint32_t columns);
  // What a cell shows, as last drawn: a cell whose text (and bar) did not
  // change is not drawn again. Transfer lock held.
  static std::u16string CellKey(const UPLOAD_INFO& entry, int column);

  CMainFrame& frame_;
  CMainView& view_;
  HWND main_;
  HWND viewHwnd_;
  HWND form_ = nullptr;
  HWND list_ = nullptr;
  HFONT barFont_ = nullptr;
  std::map<int, HWND> moved_;  // buttons now on the main window
  bool layoutKnown_ = false;
  RECT listRect_{};
  std::map<int, RECT> buttonRects_;
  std::vector<std::unique_ptr<PresenterDialogWindow>> dialogs_;
  std::u16string cell_;
  bool syncingSelection_ = false;
  uint64_t invalidations_ = 0;
  std::set<int> dirtyControls_;
  std::map<size_t, uint32_t> dirtyRows_;
  bool dirtyAll_ = false;
  std::optional<size_t> ensureVisible_;
  bool flushPending_ = false;
  bool flushedOnce_ = false;
  uint32_t lastFlush_ = 0;
  std::map<std::pair<size_t, int>, std::u16string> drawn_;
  std::shared_ptr<WindowsTransferView*> self_;
};

}  // namespace vard::agentwin
