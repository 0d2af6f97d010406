#include "agent/views/MainView.h"

#include <algorithm>

#include "agent/views/ControlIds.h"
#include "agent/views/DialogTexts.h"
#include "agent/views/DownloadView.h"
#include "agent/views/UploadView.h"
#include "agent/views/ViewTexts.h"
#include "common/handoff/AgentNames.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/ErrorText.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Shell.h"
#include "common/respack/LanguageStore.h"
#include "common/text/JsonText.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"

namespace vard {
namespace {

using TransferGuard = CInternetThreadBase::TransferGuard;
namespace id = view_id;

constexpr int kColumns = 4;
constexpr uint32_t kFirstColumnTitle = 201;

std::u16string Text(uint32_t stringId) { return LanguageStore::Instance().Text(stringId); }

// Until a window is attached: the console's defaults, messages to the
// debug output.
class DetachedWindow final : public ITransferWindow {
 public:
  bool AskYesNo(const std::u16string& text, const std::u16string& caption) override {
    platform::DebugOutput(u"MWKTPlusProc: " + caption + u": " + text + u" (yes)");
    return true;
  }
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override {
    platform::DebugOutput(u"MWKTPlusProc: " + caption + u": " + text);
  }
  void ShowDialog(std::shared_ptr<CDialogPresenter> dialog) override {
    if (!dialog->AnswersItself()) dialog->OnCommand(dialog->DefaultButton());
  }
  std::optional<std::u16string> BrowseFolder(const std::u16string&, const std::u16string&) override {
    return std::nullopt;
  }
  std::optional<std::u16string> AskSavePath(const std::u16string&) override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<CMainView> CMainView::Create(IViewFrame& frame, IUiThread& ui, MainViewSetup setup) {
  if (setup.mode == AgentMode::kUpload) return std::make_unique<CUploadView>(frame, ui, std::move(setup));
  return std::make_unique<CDownloadView>(frame, ui, std::move(setup));
}

CMainView::CMainView(IViewFrame& frame, IUiThread& ui, MainViewSetup setup, uint32_t formTemplate,
                     uint32_t slowTimerMs)
    : frame_(frame),
      ui_(ui),
      setup_(std::move(setup)),
      settings_(setup_.registry ? *setup_.registry : platform::SystemRegistry()),
      formTemplate_(formTemplate),
      slowTimerMs_(slowTimerMs),
      workerDialogs_(*this, ui),
      statuses_(ui, [this](std::function<void()> task) { return PostStatuses(std::move(task)); }, kStatusTimer,
                kStatusFrameMs, [this](const std::vector<StatusMailbox::Notice>& n) { HandleStatuses(n); }),
      detached_(std::make_unique<DetachedWindow>()),
      self_(std::make_shared<CMainView*>(this)) {
  window_ = detached_.get();
  setup_.reader.auto_send = [this] { return static_cast<int>(settings_.AutoSend()); };
}

CMainView::~CMainView() { StopWorkerForGood(); }

void CMainView::SetWorker(std::unique_ptr<CInternetThreadImpl> worker) { worker_ = std::move(worker); }

void CMainView::StopWorkerForGood() {
  // Late tasks of the worker find no view any more.
  self_.reset();
  // Bounded: a run blocked in a network call has its handles closed.
  if (worker_) worker_->StopForGood();
  // Questions still open end now, with their timers.
  auto open = std::move(dialogs_);
  for (auto& dialog : open) dialog->Cancel();
}

void CMainView::AttachWindow(ITransferWindow* window) { window_ = window ? window : detached_.get(); }

void CMainView::PostToView(std::function<void(CMainView&)> task) {
  std::weak_ptr<CMainView*> self = self_;
  ui_.Post([self, task = std::move(task)] {
    if (auto view = self.lock()) task(**view);
  });
}

bool CMainView::PostGuarded(std::function<void()> task) {
  std::weak_ptr<CMainView*> self = self_;
  return ui_.Post([self, task = std::move(task)] {
    // What the worker said before it asks is shown before the question.
    if (auto view = self.lock()) {
      (**view).statuses_.Drain();
      task();
    }
  });
}

bool CMainView::PostStatuses(std::function<void()> task) {
  std::weak_ptr<CMainView*> self = self_;
  return ui_.Post([self, task = std::move(task)] {
    if (self.lock()) task();
  });
}

// --- creation and hand-off ----------------------------------------------

void CMainView::OnCreate() {
  for (const auto& [controlId, text] : LanguageDialogTexts(formTemplate_)) form_.SetText(controlId, text);
  SetText(id::kTimeLeft, Text(id::kTimeLeftLabel) + u" : 00:00:00");
  SetText(id::kElapsed, Text(id::kElapsedLabel) + u" : 00:00:00");
  SetText(id::kFileCount, Text(id::kFileCountLabel) + u" : 0 / 0 (0.00KB / 0.00KB)");
  SetText(id::kRate, RateText(0));
  SetText(id::kSizeText, SizeProgressText(0, 0));
  progress_ = 0;
  const uint32_t sendAfter = settings_.SendAfter();
  SetChecked(id::kCloseAfter, (sendAfter & kSendAfterCloseWindow) != 0);
  BuildModeForm(sendAfter);
  ShowButtons(false);
  if (setup_.mode == AgentMode::kDownload && !ready_) ReadHandOff();
  ready_ = true;
}

void CMainView::OnDestroy() {
  settings_.SetSendAfter(SendAfterBits());
  StopWorkerForGood();
}

uint32_t CMainView::SendAfterBits() { return form_.Checked(id::kCloseAfter) ? kSendAfterCloseWindow : 0; }

intptr_t CMainView::OnInsertQueue() {
  if (!ready_) {
    ready_ = true;
    return 0;
  }
  // The list grows: the worker must not read it meanwhile.
  TransferGuard lock(worker_->TransferLock());
  return ReadHandOff();
}

intptr_t CMainView::OnRegisteredMessage(const std::u16string& name, uintptr_t wParam, intptr_t lParam) {
  if (name == kInsertQueueMessage) return OnInsertQueue();
  if (name == kViewSelectMessage) {
    if (wParam >= entries_.size()) return 0;
    SetSelected(wParam, lParam != 0);
    return 1;
  }
  return 0;
}

void CMainView::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  window_->ShowMessage(text, caption);
}

int CMainView::IconIndex(const std::u16string& name, uint32_t attributes) {
  // Looked up by name only, the icon depends on the extension alone: a batch
  // of a thousand files asks the shell a few times, not a thousand.
  const size_t dot = name.find_last_of(u".\\/");
  std::u16string key = dot != std::u16string::npos && name[dot] == u'.' ? name.substr(dot) : std::u16string();
  for (auto& ch : key)
    if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch - u'A' + u'a');
  key += attributes & platform::attribute::kDirectory ? u"|d" : u"|f";
  auto cached = iconCache_.find(key);
  if (cached != iconCache_.end()) return cached->second;
  const int index = setup_.iconIndex ? setup_.iconIndex(name, attributes) : platform::ShellIconIndex(name, attributes);
  iconCache_.emplace(std::move(key), index);
  return index;
}

void CMainView::AddToJobTotal(int64_t bytes) {
  TransferGuard lock(worker_->TransferLock());
  worker_->job_total += bytes;
}

int64_t CMainView::JobTotal() {
  TransferGuard lock(worker_->TransferLock());
  return worker_->job_total;
}

void CMainView::ShowBatch(size_t firstNew) {
  selected_.resize(entries_.size(), 0);
  RefreshTotals();
  UpdateFileCount();
  window_->RowCountChanged(entries_.size());
  if (firstNew < entries_.size()) window_->EnsureVisible(firstNew);
  shown_ = true;
  frame_.ShowForBatch();
  ShowButtons(worker_->IsRunning());
}

// --- controls -------------------------------------------------------------

void CMainView::SetText(int controlId, const std::u16string& text) {
  if (form_.HasText(controlId) && form_.Text(controlId) == text) return;
  form_.SetText(controlId, text);
  window_->ControlChanged(controlId);
}

void CMainView::SetEnabled(int controlId, bool enabled) {
  form_.SetEnabled(controlId, enabled);
  window_->ControlChanged(controlId);
}

void CMainView::SetChecked(int controlId, bool checked) {
  form_.SetChecked(controlId, checked);
  window_->ControlChanged(controlId);
}

void CMainView::ShowButtons(bool running) {
  SetEnabled(id::kStart, !running);
  SetEnabled(id::kPause, running);
}

size_t CMainView::CurrentRow() {
  TransferGuard lock(worker_->TransferLock());
  return worker_->index < 0 ? 0 : static_cast<size_t>(worker_->index);
}

size_t CMainView::RowOf(const std::shared_ptr<UPLOAD_INFO>& entry) {
  if (!entry) return CurrentRow();
  TransferGuard lock(worker_->TransferLock());
  const size_t n = entries_.size();
  const size_t index = worker_->index < 0 ? 0 : std::min(static_cast<size_t>(worker_->index), n);
  // A notice is about the current entry or one the worker just left: look
  // there first, then outward.
  for (size_t d = 0; d <= index || index + d < n; ++d) {
    if (d <= index && index - d < n && entries_[index - d] == entry) return index - d;
    if (d > 0 && index + d < n && entries_[index + d] == entry) return index + d;
  }
  return n;
}

void CMainView::RedrawCurrent(uint32_t columns, size_t row) {
  if (row < entries_.size()) window_->RedrawRow(row, columns);
}

void CMainView::RefreshTotals() {
  int64_t done, total, runBytes;
  double runSeconds;
  {
    TransferGuard lock(worker_->TransferLock());
    done = worker_->job_bytes_done;
    total = worker_->job_total;
    runBytes = worker_->run_bytes;
    runSeconds = worker_->run_seconds;
  }
  const int position = ProgressPosition(done, total);
  if (position != progress_) {
    progress_ = position;
    window_->ControlChanged(id::kProgress);
  }
  SetText(id::kRate, RateText(RunRate(runBytes, runSeconds)));
  SetText(id::kSizeText, SizeProgressText(done, total));
}

void CMainView::UpdateFileCount(size_t row) {
  TransferGuard lock(worker_->TransferLock());
  const int64_t size = row < entries_.size() ? entries_[row]->file_size : 0;
  SetText(id::kFileCount, Text(id::kFileCountLabel) +
                              FormatText(u" : %d / %d (%s / %s)", {row + 1, entries_.size(),
                                                                   FormatSize(size), FormatSize(worker_->job_total)}));
}

// --- commands -------------------------------------------------------------

void CMainView::OnCommand(int controlId) {
  // A dialog about the transfer is modal: the top one takes every click.
  if (!dialogs_.empty()) {
    auto dialog = dialogs_.back();
    dialog->OnCommand(controlId);
    return;
  }
  if (!form_.Enabled(controlId)) return;
  switch (controlId) {
    case id::kSelectAll:
      std::fill(selected_.begin(), selected_.end(), 1);
      window_->SelectionChanged();
      break;
    case id::kRemove:
      DeleteSelected();
      break;
    case id::kStart:
    case id::kPause:
      StartStop();
      break;
    case id::kClose:
      frame_.PostClose(0);
      break;
    case id::kMoveUp:
      MoveSelection(-1);
      break;
    case id::kMoveDown:
      MoveSelection(+1);
      break;
    case id::kCloseAfter:
      SetChecked(controlId, !form_.Checked(controlId));
      break;
    default:
      OnModeCommand(controlId);
      break;
  }
}

void CMainView::StartWorker() {
  if (worker_->IsRunning() || entries_.empty()) return;
  PrepareWorker();
  stoppedByUser_ = false;
  ++runGeneration_;
  worker_->Start();
  ShowButtons(true);
}

void CMainView::StartStop() {
  if (worker_->IsRunning()) {
    stoppedByUser_ = true;
    worker_->StopPromptly();
    window_->RedrawAll();
    {
      TransferGuard lock(worker_->TransferLock());
      worker_->index = 0;
    }
    ShowButtons(false);
    return;
  }
  StartWorker();
}

void CMainView::OnDoubleClick(size_t row) {
  if (row < entries_.size()) entries_[row]->Open(*this);
}

void CMainView::OpenFile(const std::u16string& path) {
  const auto open = setup_.shellOpen ? setup_.shellOpen : platform::ShellOpen;
  if (open(path)) return;
  const uint32_t code = platform::LastError();
  std::u16string text = setup_.errorText ? setup_.errorText(code) : platform::SystemErrorText(code);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
  window_->ShowMessage(text, Text(id::kAlertCaption));
}

void CMainView::SetSelected(size_t row, bool selected) {
  if (row >= selected_.size()) return;
  selected_[row] = selected ? 1 : 0;
  window_->SelectionChanged();
}

bool CMainView::IsSelected(size_t row) const { return row < selected_.size() && selected_[row]; }

int CMainView::DeleteSelected() {
  std::vector<size_t> rows;
  for (size_t i = 0; i < selected_.size() && i < entries_.size(); ++i)
    if (selected_[i]) rows.push_back(i);
  if (rows.empty()) return 1;

  worker_->alive = 0;
  auto& lock = worker_->TransferLock();
  lock.lock();
  bool busy = false;
  for (size_t row : rows) busy = busy || entries_[row]->status == entry_status::kTransferring;
  if (busy) {
    if (!window_->AskYesNo(Text(id::kRemoveBusyQuestion), Text(id::kAlertCaption))) {
      lock.unlock();
      worker_->alive = 1;
      return 1;
    }
    // The worker leaves its file at its next safe point; never wait for it
    // while holding the lock it needs to get there.
    lock.unlock();
    worker_->StopPromptly();
    lock.lock();
  }
  RemoveRows(rows);
  lock.unlock();
  worker_->alive = 1;
  RefreshTotals();
  UpdateFileCount();
  if (busy && !worker_->IsRunning()) StartWorker();
  return 1;
}

void CMainView::RemoveRows(const std::vector<size_t>& rows) {
  OnRemoving(rows);
  const int32_t oldIndex = worker_->index;
  const auto current = oldIndex >= 0 && static_cast<size_t>(oldIndex) < entries_.size()
                           ? entries_[static_cast<size_t>(oldIndex)]
                           : nullptr;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    const auto& entry = *entries_[*it];
    worker_->job_bytes_done -= entry.bytes_done;
    worker_->job_total -= entry.file_size;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*it));
    selected_.erase(selected_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  auto survivor = current ? std::find(entries_.begin(), entries_.end(), current) : entries_.end();
  if (survivor != entries_.end()) {
    worker_->index = static_cast<int32_t>(survivor - entries_.begin());
  } else if (oldIndex >= 0 && static_cast<size_t>(oldIndex) < entries_.size()) {
    worker_->index = 0;
  } else {
    worker_->index = entries_.empty() ? 0 : static_cast<int32_t>(entries_.size() - 1);
  }
  window_->RowCountChanged(entries_.size());
  window_->SelectionChanged();
}

void CMainView::MoveSelection(int step) {
  if (entries_.empty() || selected_.empty()) return;
  const size_t n = entries_.size();
  if (std::none_of(selected_.begin(), selected_.end(), [](uint8_t s) { return s != 0; })) return;
  if (step < 0 && selected_.front()) return;
  if (step > 0 && selected_.back()) return;

  TransferGuard lock(worker_->TransferLock());
  const int32_t oldIndex = worker_->index;
  const auto current = oldIndex >= 0 && static_cast<size_t>(oldIndex) < n ? entries_[static_cast<size_t>(oldIndex)]
                                                                          : nullptr;
  // From the far end, each selected entry trades places with its neighbour.
  if (step > 0) {
    for (size_t i = n - 1; i-- > 0;) {
      if (selected_[i] && !selected_[i + 1]) {
        std::swap(entries_[i], entries_[i + 1]);
        std::swap(selected_[i], selected_[i + 1]);
      }
    }
  } else {
    for (size_t i = 1; i < n; ++i) {
      if (selected_[i] && !selected_[i - 1]) {
        std::swap(entries_[i], entries_[i - 1]);
        std::swap(selected_[i], selected_[i - 1]);
      }
    }
  }
  if (worker_->IsRunning() && current) {
    worker_->index = static_cast<int32_t>(std::find(entries_.begin(), entries_.end(), current) - entries_.begin());
  } else {
    worker_->index = 0;
  }
  window_->RedrawAll();
  window_->SelectionChanged();
  UpdateFileCount();
}

// --- worker status and timers ------------------------------------------

void CMainView::OnThreadStatus(VARD_THREAD_STATUS status) {
  const uint32_t generation = runGeneration_.load();
  if (status == kStatusRunStart) {
    finished_ = false;
    PostToView([generation](CMainView& view) {
      if (generation != view.runGeneration_.load()) return;
      view.frame_.SetTransferRunning(true);
      view.ui_.SetTimer(kFastRefreshTimer, 100, [&view] { view.OnFastTimer(); });
      view.ui_.SetTimer(kSlowRefreshTimer, view.slowTimerMs_, [&view] { view.OnSlowTimer(); });
    });
  } else if (status == kStatusRunEnd) {
    finished_ = true;
    PostToView([generation](CMainView& view) {
      if (generation != view.runGeneration_.load()) return;
      view.frame_.SetTransferRunning(false);
      view.ui_.KillTimer(kFastRefreshTimer);
      view.ui_.KillTimer(kSlowRefreshTimer);
    });
  }
  // A late status still names the entry it was about.
  const uint64_t number = statuses_.Push({status, worker_->CurrentEntry(), generation});
  // The worker waits for the view at a run's start and end only, at most
  // 100 ms; a late one still runs. Between files it never waits.
  if (status == kStatusRunStart || status == kStatusRunEnd) statuses_.WaitHandled(number, 100);
}

void CMainView::HandleStatuses(const std::vector<StatusMailbox::Notice>& notices) {
  // The labels computed from the counters are made once per batch, after
  // the notices that change them.
  StatusFollowUp later;
  for (const auto& notice : notices) {
    if (notice.status == kStatusRunEnd) {
      if (notice.generation != runGeneration_.load()) continue;
      FollowUp(later);
    }
    HandleStatus(notice.status, notice.entry, later);
  }
  FollowUp(later);
}

void CMainView::FollowUp(StatusFollowUp& later) {
  if (later.fileCountRow) UpdateFileCount(*later.fileCountRow);
  if (later.totals) RefreshTotals();
  later = StatusFollowUp();
}

void CMainView::HandleStatus(int status, const std::shared_ptr<UPLOAD_INFO>& entry, StatusFollowUp& later) {
  const size_t row = status == kStatusRunEnd ? entries_.size() : RowOf(entry);
  switch (status) {
    case kStatusFileStart: {
      if (row < entries_.size()) {
        std::u16string name;
        {
          TransferGuard lock(worker_->TransferLock());
          name = entries_[row]->ShownName();
        }
        SetText(id::kCurrentFile, name);
        window_->EnsureVisible(row);
        window_->RedrawRow(row, kAllColumns);
        later.fileCountRow = row;
      }
      [[fallthrough]];
    }
    case kStatusFileEnd:
      later.totals = true;
      RedrawCurrent(ColumnBit(2) | ColumnBit(3), row);
      break;
    case kStatusPartBefore:
    case kStatusPartAfter:
      RedrawCurrent(ColumnBit(2) | ColumnBit(3), row);
      break;
    case kStatusAskInfoBefore:
    case kStatusAskInfoAfter:
      RedrawCurrent(ColumnBit(3), row);
      break;
    case kStatusRunEnd: {
      bool complete;
      {
        TransferGuard lock(worker_->TransferLock());
        complete = worker_->job_bytes_done == worker_->job_total;
        if (!complete) worker_->index = 0;
      }
      RefreshTotals();
      if (complete) {
        OnCompleteFinish();
        if (form_.Checked(id::kCloseAfter)) frame_.PostClose(1);
      }
      ShowButtons(false);
      window_->Refreshed();
      break;
    }
    default:
      break;  // 0 and values outside 1..7
  }
}

void CMainView::OnFastTimer() {
  RedrawCurrent(ColumnBit(2), CurrentRow());
  RefreshTotals();
  window_->Refreshed();
}

void CMainView::OnSlowTimer() {
  if (!worker_->alive.load()) return;
  int64_t left, runBytes, entryLeft = 0;
  double runSeconds;
  std::shared_ptr<UPLOAD_INFO> current;
  {
    TransferGuard lock(worker_->TransferLock());
    left = worker_->job_total - worker_->job_bytes_done;
    runBytes = worker_->run_bytes;
    runSeconds = worker_->run_seconds;
    const size_t row = worker_->index < 0 ? 0 : static_cast<size_t>(worker_->index);
    if (row < entries_.size()) {
      current = entries_[row];
      entryLeft = current->file_size - current->bytes_done;
    }
  }
  const double rate = RunRate(runBytes, runSeconds);
  SetText(id::kTimeLeft, Text(id::kTimeLeftLabel) + u" : " + TimeLeftText(left, rate));
  SetText(id::kElapsed, Text(id::kElapsedLabel) + u" : " + ClockText(static_cast<int64_t>(runSeconds)));
  if (current) {
    TransferGuard lock(worker_->TransferLock());
    StoreField(current->remaining_time, TimeLeftText(entryLeft, rate));
  }
  RedrawCurrent(ColumnBit(1) | ColumnBit(3), CurrentRow());
  RefreshTotals();
  window_->Refreshed();
}

// --- dialogs and dump -----------------------------------------------------

void CMainView::ShowDialog(std::shared_ptr<CDialogPresenter> dialog, CDialogPresenter::EndHandler onEnd) {
  std::weak_ptr<CMainView*> self = self_;
  CDialogPresenter* raw = dialog.get();
  dialog->SetEndHandler([self, raw, onEnd = std::move(onEnd)](int code) {
    if (auto view = self.lock()) {
      CMainView& v = **view;
      v.window_->DialogEnded(*raw);
      auto& open = v.dialogs_;
      open.erase(std::remove_if(open.begin(), open.end(), [raw](const auto& d) { return d.get() == raw; }),
                 open.end());
    }
    if (onEnd) onEnd(code);
  });
  dialog->SetChangeHandler([self, raw] {
    if (auto view = self.lock()) (**view).window_->DialogChanged(*raw);
  });
  dialogs_.push_back(dialog);
  dialog->OnOpen(ui_);
  window_->ShowDialog(dialog);
}

std::string CMainView::Dump() {
  const LanguageStore& texts = LanguageStore::Instance();
  TransferGuard lock(worker_->TransferLock());
  const AgentModeFacts& facts = FactsOf(setup_.mode);
  std::string out = "{\"class\":";
  out += JsonQuote(facts.viewClass ? facts.viewClass : u"");
  out += ",\"ready\":";
  out += ready_ ? "true" : "false";
  out += ",\"shown\":";
  out += shown_ ? "true" : "false";
  out += ",\"running\":";
  out += worker_->IsRunning() ? "true" : "false";
  out += ",\"finished\":";
  out += finished_ ? "true" : "false";
  out += ",\"notification_url\":" + JsonQuote(notificationUrl_);
  out += ",\"job_total\":" + std::to_string(worker_->job_total);
  out += ",\"job_bytes_done\":" + std::to_string(worker_->job_bytes_done);
  out += ",\"index\":" + std::to_string(worker_->index);
  out += ",\"progress\":" + std::to_string(progress_);
  out += ',' + form_.JsonMembers();
  out += ",\"columns\":[";
  for (int c = 0; c < kColumns; ++c) {
    if (c) out += ',';
    out += JsonQuote(texts.Text(kFirstColumnTitle + static_cast<uint32_t>(c)));
  }
  out += "],\"rows\":[";
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (i) out += ',';
    out += '[';
    for (int c = 0; c < kColumns; ++c) {
      if (c) out += ',';
      out += JsonQuote(entries_[i]->Text(c));
    }
    out += ']';
  }
  out += "],\"selected\":[";
  bool first = true;
  for (size_t i = 0; i < selected_.size(); ++i) {
    if (!selected_[i]) continue;
    if (!first) out += ',';
    first = false;
    out += std::to_string(i);
  }
  out += "],\"entries\":[";
  for (size_t i = 0; i < entries_.size(); ++i) {
    const UPLOAD_INFO& e = *entries_[i];
    if (i) out += ',';
    out += "{\"name\":" + JsonQuote(e.Text(0));
    out += ",\"folder\":" + JsonQuote(ReadField(e.folder));
    out += ",\"size\":" + std::to_string(e.file_size);
    out += ",\"status\":" + std::to_string(e.status);
    out += ",\"bytes_done\":" + std::to_string(e.bytes_done);
    out += ",\"time_left\":" + JsonQuote(e.Text(4));
    out += ",\"save_folder\":" + JsonQuote(e.Text(5));
    if (const auto* d = dynamic_cast<const CDownloadFile*>(&e)) out += ",\"url\":" + JsonQuote(d->url);
    out += '}';
  }
  out += "],\"dialogs\":[";
  for (size_t i = 0; i < dialogs_.size(); ++i) {
    if (i) out += ',';
    out += dialogs_[i]->Dump();
  }
  out += "]}";
  return out;
}

}  // namespace vard
