#pragma once
// What a transfer view's presenter asks of the window that shows it (the
// console view, the Windows form, a test's recording fake). The presenter
// keeps every text, flag and row; the window draws them when told what
// changed and asks the user its questions. UI thread only.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vard {

class CDialogPresenter;

// Columns of a row to redraw, as bits (1 << column).
inline constexpr uint32_t kAllColumns = 0xFFFFFFFFu;
inline constexpr uint32_t ColumnBit(int column) { return 1u << column; }

class ITransferWindow {
 public:
  virtual ~ITransferWindow() = default;

  // A control's text, enabled, checked flag or the progress bar changed.
  virtual void ControlChanged(int controlId) { (void)controlId; }
  virtual void RowCountChanged(size_t rows) { (void)rows; }
  virtual void RedrawRow(size_t row, uint32_t columns) { (void)row, (void)columns; }
  virtual void RedrawAll() {}
  virtual void EnsureVisible(size_t row) { (void)row; }
  // Before the first showing: a list with room to spare for `rows` gives
  // it up and the controls below it move up. Returns the pixels the main
  // window may lose; 0 when the rows do not fit or the layout is unknown.
  virtual int FitToRows(size_t rows) {
    (void)rows;
    return 0;
  }
  virtual void SelectionChanged() {}
  // A refresh timer has updated the texts (a console redraws its table).
  virtual void Refreshed() {}

  // Modal on the UI thread; true for "Yes".
  virtual bool AskYesNo(const std::u16string& text, const std::u16string& caption) = 0;
  // An information message box, modal on the UI thread.
  virtual void ShowMessage(const std::u16string& text, const std::u16string& caption) = 0;
  // Shows `dialog` and returns; the dialog ends through its presenter (a
  // click, its own timer, or Cancel) and the window then takes it down.
  virtual void ShowDialog(std::shared_ptr<CDialogPresenter> dialog) = 0;
  // A shown dialog changed by itself (a countdown tick) or ended.
  virtual void DialogChanged(const CDialogPresenter& dialog) { (void)dialog; }
  virtual void DialogEnded(const CDialogPresenter& dialog) { (void)dialog; }
  // The shell's folder browser; nothing when cancelled.
  virtual std::optional<std::u16string> BrowseFolder(const std::u16string& title, const std::u16string& initial) = 0;
  // The shell's save-file dialog for `path`; nothing when cancelled.
  virtual std::optional<std::u16string> AskSavePath(const std::u16string& path) = 0;
};

}  // namespace vard
