#include "control/engine/DownloadDialog.h"

#include <optional>
#include <utility>

#include "common/platform/FileSystem.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"
#include "control/engine/ProgressTexts.h"

namespace vard {
namespace {

constexpr uint32_t kTextTimeLeft = 109;
constexpr uint32_t kTextStopQuestion = 112;
constexpr uint32_t kTextWaiting = 113;  // then 114 transferring, 115 done, 116 cancelled
constexpr uint32_t kTextNeverWritten = 117;
constexpr uint32_t kTextFailed = 119;
constexpr char16_t kDefaultSuffix[] = u" - VardKT";
// How long a person's stop waits for the worker before its network is cut.
constexpr uint32_t kStopGraceMs = 2000;
constexpr char16_t kChangeFolderTitle[] = u"다운로드한 파일을 저장할 폴더를 선택해 주십시오.";

}  // namespace

DownloadDialog::DownloadDialog(DownloadDialogServices services, DownloadDialogConfig config,
                               std::vector<DownloadItem> items)
    : s_(std::move(services)), config_(std::move(config)), items_(std::move(items)) {}

DownloadDialog::~DownloadDialog() {
  if (engine_) engine_->Cancel();
  {
    std::lock_guard lock(askMutex_);
    closing_ = true;
  }
  askAnswered_.notify_all();
  // A worker blocked on a server gets a short grace, then its session closes.
  if (engine_ && !WaitForWorker(kStopGraceMs)) engine_->AbortNetwork();
  JoinWorker();
}

void DownloadDialog::OnInit(IDownloadDialogView& view) {
  view_ = &view;
  if (!config_.show) view.MakeInvisible();
  view.SetTitle(view.TemplateCaption() + config_.titleSuffix);
  if (config_.titleSuffix != kDefaultSuffix) view.ShowControl(dlg::kPoweredBy, false);
  if (config_.listHeight >= 0) view.SetListHeight(config_.listHeight);
  view.SetRowCount(items_.size());
  view.SetProgress(dlg::kItemProgress, 0);
  view.SetProgress(dlg::kRunProgress, 0);
  view.SetText(dlg::kCounter, FormatText(u"0 / %d", {static_cast<int64_t>(items_.size())}));

  std::u16string& folder = config_.options.downloadFolder;
  if (s_.settings && config_.storeFolder) {
    if (!folder.empty()) s_.settings->StoreDownloadFolder(folder);
    else folder = s_.settings->InitialDownloadFolder(s_.documentsFolder ? s_.documentsFolder() : std::u16string());
  }
  view.SetText(dlg::kFolder, folder);
  if (config_.options.useFullPath && !config_.options.singleMode) {
    for (int id : {dlg::kFolderCaption, dlg::kFolder, dlg::kChangeFolder, dlg::kStart}) view.ShowControl(id, false);
    // The folder row leaves no empty band: the list takes its place.
    view.RaiseListTo(dlg::kFolder);
  }
  if (config_.autoStart) OnStart();
}

void DownloadDialog::AddItem(const DownloadItem& item) {
  items_.push_back(item);
  if (!view_) return;
  view_->SetRowCount(items_.size());
  if (!runActive_) view_->SetText(dlg::kCounter, FormatText(u"0 / %d", {static_cast<int64_t>(items_.size())}));
}

void DownloadDialog::OnStart() {
  // A modal dialog has one run; a child dialog one at a time.
  if (runActive_ || (engine_ && !config_.child)) return;
  JoinWorker();
  runActive_ = true;
  view_->EnableControl(dlg::kStart, false);
  view_->EnableControl(dlg::kChangeFolder, false);
  DownloadEngineServices es;
  es.clock = s_.clock;
  es.target = s_.target;
  es.host = this;
  es.log = s_.log;
  es.debug = s_.debug;
  es.mappedDrive = s_.mappedDrive;
  engine_ = std::make_unique<DownloadEngine>(es, config_.options, items_);
  timer_ = true;
  worker_ = std::thread([engine = engine_.get()] { engine->Run(); });
}

void DownloadDialog::OnChangeFolder() {
  const std::u16string initial =
      s_.settings && config_.storeFolder
          ? s_.settings->InitialDownloadFolder(s_.documentsFolder ? s_.documentsFolder() : std::u16string())
          : config_.options.downloadFolder;
  const auto chosen = view_->BrowseFolder(kChangeFolderTitle, initial);
  if (!chosen) return;
  config_.options.downloadFolder = *chosen;
  if (s_.settings && config_.storeFolder) s_.settings->StoreDownloadFolder(*chosen);
  view_->SetText(dlg::kFolder, *chosen);
}

void DownloadDialog::OnTimer() {
  if (timer_) ShowTexts();
}

void DownloadDialog::ShowTexts() {
  if (!engine_ || !view_) return;
  const ProgressSnapshot p = engine_->Progress();
  const std::u16string label = s_.text ? s_.text(kTextTimeLeft) : u"";
  view_->SetText(dlg::kRate, RateText(p.bytesPerSecond));
  view_->SetText(dlg::kItemBytes, ByteCountText(p.currentDone));
  view_->SetText(dlg::kRunBytes, ByteCountText(p.allDone));
  view_->SetText(dlg::kItemTimeLeft, TimeLeftText(label, p.currentTotal - p.currentDone, p.bytesPerSecond));
  view_->SetText(dlg::kRunTimeLeft, TimeLeftText(label, p.allTotal - p.allDone, p.bytesPerSecond));
  view_->SetProgress(dlg::kItemProgress, p.currentPercent);
  view_->SetProgress(dlg::kRunProgress, p.allPercent);
}

void DownloadDialog::OnRowDoubleClick(int32_t row) {
  if (row < 0 || static_cast<size_t>(row) >= RowCount()) return;
  const DownloadItem item = RowItem(static_cast<size_t>(row));
  if (item.localPath.empty()) {
    view_->MessageBox(s_.text ? s_.text(kTextNeverWritten) : u"", config_.messageCaption);
    return;
  }
  if (!s_.shellOpen) return;
  if (auto error = s_.shellOpen(item.localPath)) view_->MessageBox(*error, config_.messageCaption);
}

void DownloadDialog::OnClose(bool ask) {
  if (ended_) return;
  // The run's end, reported just before the stop question held it, closes
  // the dialog once the question is answered, not under it.
  if (askingStop_) {
    closeAfterStopQuestion_ = true;
    return;
  }
  // A child dialog without a run has nothing to stop and nothing to report.
  if (config_.child && !runActive_) return;
  if (engine_ && engine_->Running()) {
    if (!ask) {
      engine_->Cancel();
      if (!WaitForWorker(kStopGraceMs)) engine_->AbortNetwork();
      return;
    }
    // The worker holds at its next block while the question is up.
    engine_->Pause();
    ShowTexts();
    askingStop_ = true;
    const bool stop = view_->AskYesNo(s_.text ? s_.text(kTextStopQuestion) : u"", config_.messageCaption);
    askingStop_ = false;
    if (stop) engine_->Cancel();
    else engine_->Resume();
    // A question sent just before the hold comes now (a stopped run's
    // item is cancelled without one).
    for (auto& ask : std::exchange(afterStopQuestion_, {})) ask();
    // A blocking network call ends when its session is closed.
    if (stop && !WaitForWorker(1000)) engine_->AbortNetwork();
    if (std::exchange(closeAfterStopQuestion_, false)) OnClose(true);
    return;  // the run's own end closes the dialog
  }
  if (worker_.joinable()) {
    if (!WaitForWorker(kStopGraceMs)) engine_->AbortNetwork();
    JoinWorker();
  }
  timer_ = false;
  if (engine_) ShowTexts();
  // Closed before its run started: nothing was done, which is a cancel.
  endCode_ = engine_ ? engine_->EndCode() : endcode::kCancelled;
  ReportEnd();
}

void DownloadDialog::OnPageGone() {
  if (ended_) return;
  if (engine_ && engine_->Running()) {
    engine_->Cancel();
    engine_->AbortNetwork();
    return;  // the run's own end closes the dialog
  }
  OnClose(false);
}

void DownloadDialog::ReportEnd() {
  runActive_ = false;
  if (!config_.child) {
    ended_ = true;
    view_->EndDialog(endCode_);
    return;
  }
  // The items keep what the run made of them for the next run.
  if (engine_) {
    for (size_t i = 0; i < engine_->ItemCount() && i < items_.size(); ++i) items_[i] = engine_->Item(i);
  }
  view_->EnableControl(dlg::kStart, true);
  view_->EnableControl(dlg::kChangeFolder, true);
  view_->EndDialog(endCode_);
}

bool DownloadDialog::WaitForWorker(uint32_t ms) {
  return !engine_ || s_.clock->WaitUntil([this] { return !engine_->Running(); }, ms, 10);
}

void DownloadDialog::JoinWorker() {
  if (worker_.joinable()) worker_.join();
}

std::u16string DownloadDialog::RowText(size_t row, int column) const {
  const DownloadItem item = RowItem(row);
  switch (column) {
    case 0: return item.displayName;
    case 1: return item.sizeText;
    default:
      if (!s_.text) return u"";
      // A failed item says so; it never looks as if it were still under way.
      if (item.status == item::kFailed) return s_.text(kTextFailed);
      if (item.status < item::kWaiting || item.status > item::kCancelled) return u"";
      return s_.text(kTextWaiting + static_cast<uint32_t>(item.status));
  }
}

std::u16string DownloadDialog::RowTip(size_t row) const { return RowItem(row).displayName + u" "; }

// ---- from the worker ----

void DownloadDialog::SetItemCounterText(const std::u16string& text) {
  view_->Post([this, text] { view_->SetText(dlg::kCounter, text); });
}

void DownloadDialog::SetCurrentFileText(const std::u16string& text) {
  view_->Post([this, text] { view_->SetText(dlg::kCurrentFile, text); });
}

void DownloadDialog::ItemChanged(size_t index) {
  view_->Post([this, index] { view_->RedrawRow(index); });
}

void DownloadDialog::RefreshTexts() {
  view_->Post([this] { ShowTexts(); });
}

DuplicateAnswer DownloadDialog::AskDuplicate(const DuplicateQuestion& question) {
  if (engine_ && engine_->Cancelled()) return {};
  DuplicatePrompt prompt{question, platform::FileSizeOf(question.path)};
  auto answer = std::make_shared<std::optional<DuplicateAnswer>>();
  view_->Post([this, prompt, answer] {
    auto ask = [this, prompt, answer] {
      const DuplicateAnswer a = engine_ && engine_->Cancelled() ? DuplicateAnswer{} : view_->AskDuplicate(prompt);
      {
        std::lock_guard lock(askMutex_);
        *answer = a;
      }
      askAnswered_.notify_all();
    };
    // Never over the stop question.
    if (askingStop_) afterStopQuestion_.push_back(std::move(ask));
    else ask();
  });
  std::unique_lock lock(askMutex_);
  ++waitingForAnswer_;
  askAnswered_.wait(lock, [&] { return answer->has_value() || closing_; });
  --waitingForAnswer_;
  // A dialog going away cancels the item it asked about.
  return answer->value_or(DuplicateAnswer{});
}

void DownloadDialog::RunFinished() {
  view_->Post([this] { OnClose(true); });
}

}  // namespace vard
