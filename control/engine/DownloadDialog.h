#pragma once
// The download dialog's presenter: it shows a run of the engine (the list,
// counters, rate and time left), starts it, asks before stopping it, lets
// the user change the folder and open finished files, and ends with the
// run's end code. Lives on the dialog's thread; the run's worker reaches it
// only through the view's Post().
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/FolderSettings.h"
#include "control/engine/DownloadDialogView.h"
#include "control/engine/DownloadEngine.h"

namespace vard {

struct DownloadDialogConfig {
  DownloadRunOptions options;
  bool show = true;
  bool autoStart = false;
  bool child = false;
  // The run's folder becomes the person's stored download folder; never
  // for an untrusted page's run, whose folder is the person's own.
  bool storeFolder = true;
  int32_t listHeight = -1;  // pixels; negative keeps the template's
  std::u16string titleSuffix = u" - VardKT";
  std::u16string messageCaption;  // of every message box
};

struct DownloadDialogServices {
  platform::IClock* clock = nullptr;
  IDownloadTarget* target = nullptr;
  FolderSettings* settings = nullptr;
  std::function<std::u16string(uint32_t id)> text;  // the language pack's strings
  std::function<std::u16string()> documentsFolder;
  // Opens a file with the shell; the system's error text on failure.
  std::function<std::optional<std::u16string>(const std::u16string& path)> shellOpen;
  std::function<void(bool writeLog, const LogEvent&)> log;
  std::function<void(const std::u16string&)> debug;
  DriveLookup mappedDrive;
};

// A modal dialog has one run and ends with it. A child dialog (child mode)
// lives inside the control's window: its list grows as the page appends
// files, the user starts its runs one after another, and each run's end
// code goes to the view's EndDialog while the dialog, its items and its
// counters stay.
class DownloadDialog final : private IDownloadRunHost {
 public:
  DownloadDialog(DownloadDialogServices services, DownloadDialogConfig config, std::vector<DownloadItem> items);
  ~DownloadDialog() override;

  void OnInit(IDownloadDialogView& view);
  // A file for the list; a run under way keeps its own items, the next run
  // takes it too.
  void AddItem(const DownloadItem& item);
  void OnStart();
  void OnChangeFolder();
  void OnTimer();
  void OnRowDoubleClick(int32_t row);
  // A stop request (close box, Escape, the run's own end); `ask` false when
  // the control goes away in child mode.
  void OnClose(bool ask);
  // The page went and nobody watches or answers: a run stops at once, its
  // network calls closed, without a question; its files stay as a
  // cancelled run leaves them.
  void OnPageGone();

  bool TimerRunning() const { return timer_; }
  bool Ended() const { return ended_; }
  // From the start of a run until its end has been reported.
  bool RunActive() const { return runActive_; }
  // While the stop question is open: nothing of the run moves. Its worker
  // waits at its hold or on a question put off until the answer, or has
  // ended.
  // The run's worker waits for the answer to an existing-file question.
  bool WaitingForAnswer() const {
    std::lock_guard lock(askMutex_);
    return waitingForAnswer_ > 0;
  }
  bool RunHeld() const {
    return engine_ && (engine_->Held() || !afterStopQuestion_.empty() || !engine_->Running());
  }
  int EndCode() const { return endCode_; }
  // Row texts: name, size and status.
  std::u16string RowText(size_t row, int column) const;
  // The tooltip of a row: its name and a space.
  std::u16string RowTip(size_t row) const;
  size_t RowCount() const { return items_.size(); }
  DownloadItem RowItem(size_t row) const {
    return engine_ && row < engine_->ItemCount() ? engine_->Item(row) : items_.at(row);
  }
  const std::u16string& Folder() const { return config_.options.downloadFolder; }

 private:
  // The run's worker calls these; each goes to the dialog's thread.
  void SetItemCounterText(const std::u16string& text) override;
  void SetCurrentFileText(const std::u16string& text) override;
  void ItemChanged(size_t index) override;
  void RefreshTexts() override;
  DuplicateAnswer AskDuplicate(const DuplicateQuestion& question) override;
  void RunFinished() override;

  void ShowTexts();
  void ReportEnd();
  // Waits up to `ms` through the clock for the worker to leave its run.
  bool WaitForWorker(uint32_t ms);
  void JoinWorker();

  DownloadDialogServices s_;
  DownloadDialogConfig config_;
  std::vector<DownloadItem> items_;
  IDownloadDialogView* view_ = nullptr;
  std::unique_ptr<DownloadEngine> engine_;
  std::thread worker_;
  bool timer_ = false;
  bool ended_ = false;
  bool runActive_ = false;
  // A question the worker waits on is given up when the dialog goes away.
  mutable std::mutex askMutex_;
  std::condition_variable askAnswered_;
  int waitingForAnswer_ = 0;  // workers waiting in AskDuplicate
  bool closing_ = false;
  // The stop question is open; questions of the worker that arrive meanwhile
  // wait for its answer (dialog's thread only).
  bool askingStop_ = false;
  std::vector<std::function<void()>> afterStopQuestion_;
  bool closeAfterStopQuestion_ = false;
  int endCode_ = endcode::kCancelled;
};

}  // namespace vard
