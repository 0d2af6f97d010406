#pragma once
// The content of the agent's main window: the list of transfers that
// hand-offs fill, its status texts and buttons, and the worker that moves
// the files. CMainView holds what both views share; CDownloadView and
// CUploadView add their mode's parts. Runs on the UI thread, except
// OnThreadStatus, which the worker calls on its own thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/AgentMode.h"
#include "agent/HandOffReader.h"
#include "agent/ListEntries.h"
#include "agent/jobs/ThreadManager.h"
#include "agent/settings/AgentSettings.h"
#include "agent/views/AskSaveAsDlgs.h"
#include "agent/views/ControlState.h"
#include "agent/views/StatusMailbox.h"
#include "agent/views/TransferWindow.h"
#include "agent/views/UiThread.h"
#include "agent/views/ViewFrame.h"
#include "agent/views/ViewWorkerDialogs.h"
#include "common/platform/ProgramWindow.h"

namespace vard {

using WorkerFactory = std::function<std::unique_ptr<CInternetThreadImpl>(
    EntryList&, IWorkerDialogs&, CInternetThreadBase::StatusCallback, platform::IClock&)>;

struct MainViewSetup {
  AgentMode mode = AgentMode::kDownload;
  HandOffReaderSetup reader;  // its auto_send is the view's setting
  // System image-list index for a name (attributes as FileSystem.h's).
  std::function<int(const std::u16string&, uint32_t)> iconIndex;
  platform::IRegistry* registry = nullptr;  // null: the system's
  std::function<bool(const std::u16string&)> shellOpen;        // null: the shell's
  std::function<std::u16string()> documentsFolder;              // null: the known folder
  std::function<bool(const std::u16string&)> isFolder;          // null: the file system's
  std::function<std::u16string(uint32_t)> errorText;            // null: the system's text
  CAskSaveAsDownloadDlg::FileTime fileTime;                     // null: times show as zero
  // The view's worker; null: the mode's own (CKTHTTPThread, CMWUploadThread).
  WorkerFactory makeWorker;
};

// Selects (lParam 1) or deselects (0) row wParam of the view from outside,
// as a click in the list would; answers 1 when the row exists.
inline constexpr char16_t kViewSelectMessage[] = u"vardel_MWKTPlusProc_view_select";

// Timer IDs of the refresh timers on the UI thread's loop.
inline constexpr uint32_t kFastRefreshTimer = 0x6000;  // "timer 0"
inline constexpr uint32_t kSlowRefreshTimer = 0x6001;  // "timer 1"
// The worker's per-file statuses of a busy spell are handled together, at
// most once in this time.
inline constexpr uint32_t kStatusTimer = 0x6002;
inline constexpr uint32_t kStatusFrameMs = 100;

class CMainView : public IHandOffView, public platform::IWindowRequests, private IShellOpen {
 public:
  // The view of `setup.mode`: a CDownloadView or a CUploadView.
  static std::unique_ptr<CMainView> Create(IViewFrame& frame, IUiThread& ui, MainViewSetup setup);
  ~CMainView() override;

  // The window that shows the view; until one is attached questions get
  // their console defaults and messages go to the debug output.
  void AttachWindow(ITransferWindow* window);

  // The view window exists: builds the form, reads the settings; download
  // mode reads the hand-off at once.
  void OnCreate();
  // The view window goes: saves the after-finish options, stops the worker.
  void OnDestroy();
  // The insert message: reads the regions again once the view is ready.
  intptr_t OnInsertQueue();

  // Buttons and check boxes, also as the main window passes them on.
  void OnCommand(int controlId) override;
  void OnDoubleClick(size_t row);
  void SetSelected(size_t row, bool selected);
  bool IsSelected(size_t row) const;
  // The Delete key and message 1027. Returns 1.
  virtual int DeleteSelected();
  // +1 down, -1 up.
  void MoveSelection(int step);

  // Worker thread: the worker's status callback.
  void OnThreadStatus(VARD_THREAD_STATUS status);
  // UI thread: what the worker's statuses do to the view (message 1026),
  // in the order sent; each names the worker's entry when it was sent.
  void HandleStatuses(const std::vector<StatusMailbox::Notice>& notices);
  // UI thread: the refresh timers.
  void OnFastTimer();
  void OnSlowTimer();

  // A dialog about the transfer: shown by the window, listed in `dump`,
  // answered by `command <id>` while it is open.
  void ShowDialog(std::shared_ptr<CDialogPresenter> dialog, CDialogPresenter::EndHandler onEnd = nullptr);

  const EntryList& Entries() const { return entries_; }
  CInternetThreadImpl& Worker() { return *worker_; }
  const ControlState& Form() const { return form_; }
  int Progress() const { return progress_; }
  AgentMode Mode() const { return setup_.mode; }
  const std::u16string& NotificationUrl() const { return notificationUrl_; }
  int64_t JobTotal();
  bool Shown() const { return shown_; }
  bool Finished() const { return finished_.load(); }
  bool StoppedByUser() const { return stoppedByUser_; }
  AgentSettings& Settings() { return settings_; }
  const std::vector<std::shared_ptr<CDialogPresenter>>& OpenDialogs() const { return dialogs_; }
  IUiThread& Ui() { return ui_; }
  ITransferWindow& Window() { return *window_; }
  ViewWorkerDialogs& WorkerDialogs() { return workerDialogs_; }
  const CAskSaveAsDownloadDlg::FileTime& FileTimeSource() const { return setup_.fileTime; }
  // Any thread: runs `task` on the UI thread unless the view is gone by then;
  // PostGuarded first handles the worker's statuses sent before it.
  void PostToView(std::function<void(CMainView&)> task);
  bool PostGuarded(std::function<void()> task);
  // UI thread: the worker changed the existing-file option.
  virtual void ShowExistingFileChoice(ExistingFileOption option) { (void)option; }

  // platform::IWindowRequests
  intptr_t OnRegisteredMessage(const std::u16string& name, uintptr_t wParam, intptr_t lParam) override;
  std::string Dump() override;

  // IHandOffView
  void SetNotificationUrl(const std::u16string& url) override { notificationUrl_ = url; }
  void SetMainCaption(const std::u16string& caption) override { frame_.SetCaption(caption); }
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
  int IconIndex(const std::u16string& name, uint32_t attributes) override;
  void AddToJobTotal(int64_t bytes) override;
  void ShowBatch(size_t firstNew) override;
  bool UploadJobRunning() override { return worker_->IsRunning(); }
  void StartUploadJob() override { StartWorker(); }

 protected:
  CMainView(IViewFrame& frame, IUiThread& ui, MainViewSetup setup, uint32_t formTemplate, uint32_t slowTimerMs);
  // Made by the derived view's constructor, before anything else uses it.
  void SetWorker(std::unique_ptr<CInternetThreadImpl> worker);
  // Derived destructors stop the worker before their members go.
  void StopWorkerForGood();

  virtual int ReadHandOff() = 0;
  // Hands the worker what it needs before a start.
  virtual void PrepareWorker() = 0;
  // The mode's own controls at creation, with "Config_SendAfter".
  virtual void BuildModeForm(uint32_t sendAfter) { (void)sendAfter; }
  // Entries at `rows` (ascending) are about to leave the list; lock held.
  virtual void OnRemoving(const std::vector<size_t>& rows) { (void)rows; }
  // The mode's part of a complete finish (status 7, all bytes done).
  virtual void OnCompleteFinish() {}
  virtual void OnModeCommand(int controlId) { (void)controlId; }
  virtual uint32_t SendAfterBits();

  void SetText(int id, const std::u16string& text);
  void SetEnabled(int id, bool enabled);
  void SetChecked(int id, bool checked);
  ControlState& MutableForm() { return form_; }
  const MainViewSetup& Setup() const { return setup_; }
  IViewFrame& Frame() { return frame_; }
  EntryList& MutableEntries() { return entries_; }
  bool ready_ = false;

 private:
  // What a batch of statuses leaves to its end: labels made from counters.
  struct StatusFollowUp {
    std::optional<size_t> fileCountRow;
    bool totals = false;
  };
  void HandleStatus(int status, const std::shared_ptr<UPLOAD_INFO>& entry, StatusFollowUp& later);
  bool PostStatuses(std::function<void()> task);
  void FollowUp(StatusFollowUp& later);
  void StartWorker();
  void StartStop();
  void ShowButtons(bool running);
  void RefreshTotals();  // progress bar, rate and size texts (lock held or not)
  void UpdateFileCount(size_t row);
  void UpdateFileCount() { UpdateFileCount(CurrentRow()); }
  void RedrawCurrent(uint32_t columns, size_t row);
  size_t CurrentRow();
  // Row of `entry`, or the current row for null; past the end when gone.
  size_t RowOf(const std::shared_ptr<UPLOAD_INFO>& entry);
  void RemoveRows(const std::vector<size_t>& rows);
  // IShellOpen
  void OpenFile(const std::u16string& path) override;

  IViewFrame& frame_;
  IUiThread& ui_;
  MainViewSetup setup_;
  AgentSettings settings_;
  const uint32_t formTemplate_;
  const uint32_t slowTimerMs_;
  EntryList entries_;
  std::vector<uint8_t> selected_;
  ViewWorkerDialogs workerDialogs_;
  StatusMailbox statuses_;
  std::unique_ptr<CInternetThreadImpl> worker_;
  std::vector<std::shared_ptr<CDialogPresenter>> dialogs_;
  ControlState form_;
  int progress_ = 0;
  std::u16string notificationUrl_;
  std::map<std::u16string, int> iconCache_;  // by lower-case extension and folder flag
  ITransferWindow* window_;
  std::unique_ptr<ITransferWindow> detached_;
  bool shown_ = false;
  bool stoppedByUser_ = false;
  std::atomic<bool> finished_{false};
  // Which start the worker's notifications belong to: a late one from an
  // earlier run must not stop the timers or move the index of this one.
  std::atomic<uint32_t> runGeneration_{0};
  // Tasks posted by the worker find the view through this; it goes first.
  std::shared_ptr<CMainView*> self_;
};

}  // namespace vard
