#pragma once
// The transfer view on a console (POSIX, and the portable default). On a
// terminal it keeps a live table of the entries redrawn in place (name,
// size, progress, speed, time left, status) with the totals under it;
// otherwise it writes plain log lines (to `out`, by default the debug
// output: VARDEL_DEBUG=1 shows them on standard error). Questions are asked on the terminal
// when input is one; otherwise they get these defaults, never a wait:
//   remove an entry being transferred: yes; existing file: skip;
//   retry countdown: runs out and retries; rename: keep the name;
//   folder and save-as choices: cancelled; messages: logged.
// On an interactive terminal a typed control ID (e.g. 1002) clicks that
// button of the open dialog or of the view. UI thread, except the line
// reader.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "agent/views/TransferWindow.h"

namespace vard {

class CMainView;
class IUiThread;

struct ConsoleViewOptions {
  std::ostream* out = nullptr;  // null: standard output when live, else the debug output
  std::istream* in = nullptr;   // null: standard input
  bool live = false;            // redraw a table in place (a terminal)
  bool interactive = false;     // ask on the terminal
  uint32_t redrawMs = 250;      // least time between two live redraws
  size_t tableRows = 20;        // rows shown around the current entry
};

// Options for the process's own console.
ConsoleViewOptions StandardConsoleOptions();

class ConsoleTransferView final : public ITransferWindow {
 public:
  ConsoleTransferView(CMainView& view, IUiThread& ui, ConsoleViewOptions options);
  ~ConsoleTransferView() override;

  void ControlChanged(int controlId) override;
  void RowCountChanged(size_t rows) override;
  void RedrawRow(size_t row, uint32_t columns) override;
  void RedrawAll() override;
  void Refreshed() override;

  bool AskYesNo(const std::u16string& text, const std::u16string& caption) override;
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
  void ShowDialog(std::shared_ptr<CDialogPresenter> dialog) override;
  void DialogChanged(const CDialogPresenter& dialog) override;
  void DialogEnded(const CDialogPresenter& dialog) override;
  std::optional<std::u16string> BrowseFolder(const std::u16string& title, const std::u16string& initial) override;
  std::optional<std::u16string> AskSavePath(const std::u16string& path) override;

  // The live table as it would be drawn now (for tests and the redraw).
  std::vector<std::string> TableLines();

 private:
  void Line(const std::string& text);
  void Line(const std::u16string& text);
  void DrawIfDue(bool force);
  void LogStatusChanges();
  std::optional<std::u16string> Prompt(const std::u16string& question);
  void StartReader();
  void OnTypedLine();
  std::string DialogText(const CDialogPresenter& dialog);

  CMainView& view_;
  IUiThread& ui_;
  ConsoleViewOptions options_;
  std::ostream* out_;
  size_t drawnLines_ = 0;
  uint32_t lastDraw_ = 0;
  bool drawnOnce_ = false;
  bool running_ = false;
  std::u16string lastFile_;
  std::map<const void*, int32_t> lastStatus_;
  // Lines typed on the terminal, read by a reader thread.
  struct Input {
    std::mutex mutex;
    std::deque<std::string> lines;
    bool ended = false;
  };
  std::shared_ptr<Input> input_;
  bool readerStarted_ = false;
  std::shared_ptr<bool> alive_;
};

}  // namespace vard
