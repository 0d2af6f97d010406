#include "control/engine/ConsoleDownloadDialogView.h"

#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

constexpr uint32_t kTimerMs = 500;
constexpr uint32_t kPollMs = 10;

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

// A path typed on the console, in the programs' own syntax.
std::u16string TypedPath(const std::string& line) {
  std::u16string path = Utf8ToUtf16(line);
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  return path;
}

}  // namespace

ConsoleDownloadDialogView::ConsoleDownloadDialogView(std::ostream& out, std::istream* in, bool liveLine,
                                                     platform::IClock& clock, ConsoleAnswers& answers,
                                                     std::u16string caption)
    : out_(out), in_(in), live_(liveLine), clock_(clock), answers_(answers), caption_(std::move(caption)) {}

int ConsoleDownloadDialogView::RunModal(DownloadDialog& dialog) {
  dialog_ = &dialog;
  dialog.OnInit(*this);
  Pump([&dialog] { return !dialog.Ended(); });
  dialog_ = nullptr;
  return dialog.EndCode();
}

void ConsoleDownloadDialogView::ShowEmbedded(DownloadDialog& dialog, std::function<void(int)> ended) {
  dialog_ = &dialog;
  childEnded_ = std::move(ended);
  dialog.OnInit(*this);
}

bool ConsoleDownloadDialogView::RunEmbedded() {
  if (!dialog_ || dialog_->RunActive()) return false;
  dialog_->OnStart();
  Pump([this] { return dialog_->RunActive(); });
  return true;
}

void ConsoleDownloadDialogView::Pump(const std::function<bool()>& busy) {
  uint32_t nextTick = clock_.TickCount() + kTimerMs;
  while (busy()) {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard lock(queueMutex_);
      tasks.swap(queue_);
    }
    for (auto& task : tasks) {
      task();
      if (!busy()) break;
    }
    if (!busy()) break;
    if (static_cast<int32_t>(clock_.TickCount() - nextTick) >= 0) {
      nextTick += kTimerMs;
      dialog_->OnTimer();
      if (live_ && dialog_->TimerRunning()) DrawLiveLine();
    }
    if (tasks.empty()) clock_.Sleep(kPollMs);
  }
  EndLiveLine();
}

void ConsoleDownloadDialogView::SetTitle(const std::u16string& title) {
  if (!live_) out_ << "dialog " << U8(title) << "\n";
}

void ConsoleDownloadDialogView::SetText(int id, const std::u16string& text) {
  const bool changed = texts_[id] != text;
  texts_[id] = text;
  if (!changed || live_) return;
  if (id == dlg::kCurrentFile) out_ << "file " << U8(text) << "\n";
  if (id == dlg::kFolder) out_ << "folder " << U8(text) << "\n";
}

void ConsoleDownloadDialogView::SetProgress(int id, int32_t percent) { progress_[id] = percent; }

void ConsoleDownloadDialogView::RedrawRow(size_t row) {
  if (!dialog_ || live_) return;
  out_ << "row " << row << " " << U8(dialog_->RowText(row, 0)) << " [" << U8(dialog_->RowText(row, 2)) << "]\n";
}

void ConsoleDownloadDialogView::DrawLiveLine() {
  std::string line = U8(texts_[dlg::kCounter]) + "  " + U8(texts_[dlg::kCurrentFile]) + "  " +
                     std::to_string(progress_[dlg::kItemProgress]) + "%  " + U8(texts_[dlg::kRate]) + "/s  " +
                     U8(texts_[dlg::kItemTimeLeft]);
  if (line.size() > 200) line.resize(200);
  out_ << "\r\x1b[K" << line << std::flush;
  lineOpen_ = true;
}

void ConsoleDownloadDialogView::EndLiveLine() {
  if (!lineOpen_) return;
  DrawLiveLine();
  out_ << "\n";
  lineOpen_ = false;
}

std::optional<std::string> ConsoleDownloadDialogView::AskLine(const std::string& question) {
  if (!in_) return std::nullopt;
  EndLiveLine();
  out_ << question << std::flush;
  std::string answer;
  if (!std::getline(*in_, answer)) return std::nullopt;
  return answer;
}

bool ConsoleDownloadDialogView::AskYesNo(const std::u16string& text, const std::u16string& caption) {
  if (!answers_.stops.empty()) {
    const bool yes = answers_.stops.front();
    answers_.stops.pop_front();
    return yes;
  }
  const auto line = AskLine("[" + U8(caption) + "] " + U8(text) + " (y/N) ");
  return line && !line->empty() && (line->front() == 'y' || line->front() == 'Y');
}

bool ConsoleDownloadDialogView::AskOpen(const std::u16string& question) {
  if (!answers_.opens.empty()) {
    const bool yes = answers_.opens.front();
    answers_.opens.pop_front();
    out_ << "open? " << U8(question) << (yes ? " = yes\n" : " = no\n");
    return yes;
  }
  const auto line = AskLine("open? " + U8(question) + " (y/N) ");
  const bool yes = line && !line->empty() && (line->front() == 'y' || line->front() == 'Y');
  if (!line) out_ << "open? " << U8(question) << " = no (nobody to ask)\n";
  return yes;
}

void ConsoleDownloadDialogView::MessageBox(const std::u16string& text, const std::u16string& caption) {
  EndLiveLine();
  out_ << "message [" << U8(caption) << "] " << U8(text) << "\n";
}

DuplicateAnswer ConsoleDownloadDialogView::AskDuplicate(const DuplicatePrompt& prompt) {
  if (!answers_.duplicates.empty()) {
    DuplicateAnswer a = answers_.duplicates.front();
    answers_.duplicates.pop_front();
    return a;
  }
  const DuplicateQuestion& q = prompt.question;
  const std::string choices = q.allowResume ? "(o)verwrite, (r)esume, (s)ave as, (c)ancel" : "(o)verwrite, (s)ave as, (c)ancel";
  const auto line = AskLine("exists " + U8(q.path) + " (" + U8(FormatSize(prompt.existingSize)) + ", new " +
                            U8(FormatSize(q.newSize)) + "): " + choices + (q.singleMode ? "" : ", add ! for all") + "? ");
  DuplicateAnswer a;
  if (!line || line->empty()) return a;
  a.applyToAll = !q.singleMode && line->find('!') != std::string::npos;
  switch ((*line)[0]) {
    case 'o': a.code = existing_file::kOverwrite; break;
    case 'r': a.code = q.allowResume ? existing_file::kResume : existing_file::kSkip; break;
    case 's':
      if (auto name = AskLine("save as: "); name && !name->empty()) {
        a.code = existing_file::kSaveAs;
        a.newPath = TypedPath(*name);
      }
      break;
    default: break;
  }
  return a;
}

std::optional<OpenOrSaveAnswer> ConsoleDownloadDialogView::AskOpenOrSave(const std::u16string& shownName,
                                                                        int64_t fileSize) {
  if (!answers_.openOrSave.empty()) {
    auto answer = answers_.openOrSave.front();
    answers_.openOrSave.pop_front();
    return answer;
  }
  const auto line = AskLine("open or save " + U8(shownName) + " (" + U8(FormatSize(fileSize)) +
                            "): (o)pen, (s)ave, save and o(p)en, (c)ancel? ");
  if (!line || line->empty()) return std::nullopt;
  OpenOrSaveAnswer answer;
  if ((*line)[0] == 'o') return answer;
  if ((*line)[0] != 's' && (*line)[0] != 'p') return std::nullopt;
  answer.choice = (*line)[0] == 's' ? OpenOrSaveAnswer::Choice::kSave : OpenOrSaveAnswer::Choice::kSaveAndOpen;
  const auto path = AskLine("save as: ");
  if (!path || path->empty()) return std::nullopt;
  answer.savePath = TypedPath(*path);
  return answer;
}

std::optional<std::u16string> ConsoleDownloadDialogView::BrowseFolder(const std::u16string& title,
                                                                      const std::u16string& initial) {
  if (!answers_.folders.empty()) {
    std::u16string folder = answers_.folders.front();
    answers_.folders.pop_front();
    return folder;
  }
  const auto line = AskLine(U8(title) + " [" + U8(initial) + "] ");
  if (!line || line->empty()) return std::nullopt;
  return TypedPath(*line);
}

void ConsoleDownloadDialogView::Post(std::function<void()> task) {
  std::lock_guard lock(queueMutex_);
  queue_.push_back(std::move(task));
}

void ConsoleDownloadDialogView::EndDialog(int code) {
  EndLiveLine();
  if (!live_) out_ << "end " << code << "\n";
  if (childEnded_) childEnded_(code);
}

}  // namespace vard
