#include "agent/views/ConsoleTransferView.h"

#include <algorithm>
#include <iostream>
#include <thread>

#include "agent/views/ControlIds.h"
#include "agent/views/DialogPresenter.h"
#include "agent/views/MainView.h"
#include "agent/views/UiThread.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Environment.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace id = view_id;
using TransferGuard = CInternetThreadBase::TransferGuard;

constexpr size_t kNameWidth = 32;
constexpr int kBarWidth = 10;

std::string Fit(const std::u16string& text, size_t width, bool right = false) {
  std::u16string t = text.size() > width ? text.substr(0, width - 1) + u"~" : text;
  std::u16string pad(width - t.size(), u' ');
  return Utf16ToUtf8(right ? pad + t : t + pad);
}

std::string Bar(int percent) {
  percent = std::clamp(percent, 0, 100);
  const int filled = percent * kBarWidth / 100;
  return "[" + std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kBarWidth - filled), '-') +
         "] " + Fit(AsciiToUtf16(std::to_string(percent) + "%"), 4, true);
}

}  // namespace

ConsoleViewOptions StandardConsoleOptions() {
  ConsoleViewOptions o;
  o.live = platform::StandardOutputIsTerminal();
  o.interactive = o.live && platform::StandardInputIsTerminal();
  return o;
}

ConsoleTransferView::ConsoleTransferView(CMainView& view, IUiThread& ui, ConsoleViewOptions options)
    : view_(view),
      ui_(ui),
      options_(options),
      // Plain lines stay off streams that are not a terminal: the programs
      // that start the agent may be reading what it inherited from them.
      out_(options.out ? options.out : options.live ? &std::cout : nullptr),
      input_(std::make_shared<Input>()),
      alive_(std::make_shared<bool>(true)) {}

ConsoleTransferView::~ConsoleTransferView() { alive_.reset(); }

void ConsoleTransferView::Line(const std::string& text) {
  if (!out_) {
    platform::DebugOutput(u"MWKTPlusProc: " + Utf8ToUtf16(text));
    return;
  }
  if (options_.live && drawnLines_) {
    // Messages go above the table, which is drawn again under them.
    *out_ << "\x1b[" << drawnLines_ << "A\x1b[J";
    drawnLines_ = 0;
    drawnOnce_ = false;
  }
  *out_ << text << '\n';
  out_->flush();
}

void ConsoleTransferView::Line(const std::u16string& text) { Line(Utf16ToUtf8(text)); }

// --- what changed -------------------------------------------------------

void ConsoleTransferView::ControlChanged(int controlId) {
  const ControlState& form = view_.Form();
  if (controlId == id::kCurrentFile) {
    const std::u16string name = form.Text(id::kCurrentFile);
    if (!options_.live && name != lastFile_) Line(u"> " + name);
    lastFile_ = name;
  } else if (controlId == id::kPause) {
    const bool running = form.Enabled(id::kPause);
    if (!options_.live && running != running_) {
      Line(running ? u"Transfer started" : u"Transfer ended: " + form.Text(id::kSizeText));
    }
    running_ = running;
    DrawIfDue(true);
    return;
  }
  DrawIfDue(false);
}

void ConsoleTransferView::RowCountChanged(size_t rows) {
  if (!options_.live) Line(std::to_string(rows) + " entries");
  DrawIfDue(true);
}

void ConsoleTransferView::RedrawRow(size_t row, uint32_t columns) {
  if (!options_.live && (columns & ColumnBit(3))) {
    const EntryList& entries = view_.Entries();
    std::u16string line;
    {
      TransferGuard lock(view_.Worker().TransferLock());
      if (row >= entries.size()) return;
      const auto& e = *entries[row];
      int32_t& last = lastStatus_[&e];
      // Statuses only: a progress percentage is not a change worth a line.
      if (e.status == last || e.status == entry_status::kTransferring) {
        last = e.status;
        return;
      }
      last = e.status;
      line = e.Text(0) + u": " + e.Text(3);
    }
    Line(line);
    return;
  }
  DrawIfDue(false);
}

void ConsoleTransferView::RedrawAll() {
  if (!options_.live) {
    for (size_t i = 0; i < view_.Entries().size(); ++i) RedrawRow(i, ColumnBit(3));
    return;
  }
  DrawIfDue(true);
}

void ConsoleTransferView::Refreshed() { DrawIfDue(false); }

// --- the live table ------------------------------------------------------

std::vector<std::string> ConsoleTransferView::TableLines() {
  std::vector<std::string> lines;
  const ControlState& form = view_.Form();
  CInternetThreadImpl& worker = view_.Worker();
  TransferGuard lock(worker.TransferLock());
  const EntryList& entries = view_.Entries();
  const size_t current = worker.index < 0 ? 0 : static_cast<size_t>(worker.index);
  const size_t shown = std::min(options_.tableRows, entries.size());
  size_t first = current >= shown / 2 ? current - shown / 2 : 0;
  first = std::min(first, entries.size() - shown);

  lines.push_back("     " + Fit(u"Name", kNameWidth) + " " + Fit(u"Size", 12, true) + "  " + Fit(u"Progress", 16) + " " +
                  Fit(u"Speed", 16) + " " + Fit(u"Left", 8) + " Status");
  const std::u16string rate = form.Text(id::kRate);
  for (size_t i = first; i < first + shown; ++i) {
    const UPLOAD_INFO& e = *entries[i];
    const bool active = view_.Worker().IsRunning() && i == current;
    std::string line = (active ? "> " : "  ") + Fit(AsciiToUtf16(std::to_string(i + 1)), 3, true);
    line += Fit(e.Text(0), kNameWidth) + " " + Fit(e.Text(2), 12, true) + "  " + Bar(e.Percent(3)) + " ";
    line += Fit(active ? rate : u"", 16) + " " + Fit(e.Text(4), 8) + " " + Utf16ToUtf8(e.Text(3));
    lines.push_back(line);
  }
  if (shown < entries.size())
    lines.push_back("     (" + std::to_string(first + 1) + "-" + std::to_string(first + shown) + " of " +
                    std::to_string(entries.size()) + ")");
  lines.push_back("Total " + Utf16ToUtf8(form.Text(id::kSizeText)) + "  " + Bar(view_.Progress() / 10) + "  " +
                  Utf16ToUtf8(rate) + "  " + Utf16ToUtf8(form.Text(id::kTimeLeft)));
  return lines;
}

void ConsoleTransferView::DrawIfDue(bool force) {
  if (!options_.live) return;
  const uint32_t now = ui_.Clock().TickCount();
  if (!force && drawnOnce_ && now - lastDraw_ < options_.redrawMs) return;
  lastDraw_ = now;
  drawnOnce_ = true;
  std::string frame;
  if (drawnLines_) frame += "\x1b[" + std::to_string(drawnLines_) + "A";
  const auto lines = TableLines();
  for (const auto& l : lines) frame += "\x1b[2K" + l + "\n";
  // A shorter table leaves nothing of the longer one below it.
  frame += "\x1b[J";
  *out_ << frame;
  out_->flush();
  drawnLines_ = lines.size();
}

// --- questions ------------------------------------------------------------

bool ConsoleTransferView::AskYesNo(const std::u16string& text, const std::u16string& caption) {
  if (!options_.interactive) {
    Line(caption + u": " + text + u" -> yes");
    return true;
  }
  for (;;) {
    auto answer = Prompt(caption + u": " + text + u" [y/n] ");
    if (!answer) return true;  // input ended: the default
    if (*answer == u"y" || *answer == u"Y") return true;
    if (*answer == u"n" || *answer == u"N") return false;
  }
}

void ConsoleTransferView::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  Line(caption + u": " + text);
}

std::string ConsoleTransferView::DialogText(const CDialogPresenter& dialog) {
  std::string text = "[" + Utf16ToUtf8(dialog.Caption()) + "]";
  const ControlState& c = dialog.Controls();
  for (const auto& [controlId, t] : c.Texts()) {
    if (!c.Visible(controlId)) continue;
    const auto& b = dialog.Buttons();
    const bool button = std::find(b.begin(), b.end(), controlId) != b.end();
    text += button ? " <" + std::to_string(controlId) + ": " + Utf16ToUtf8(t) + ">" : " " + Utf16ToUtf8(t);
  }
  return text;
}

void ConsoleTransferView::ShowDialog(std::shared_ptr<CDialogPresenter> dialog) {
  Line(DialogText(*dialog));
  if (options_.interactive) {
    Line(std::string("Type a number to click it."));
    StartReader();
    return;
  }
  if (dialog->AnswersItself()) return;
  std::weak_ptr<CDialogPresenter> weak = dialog;
  ui_.Post([weak] {
    auto d = weak.lock();
    if (d && !d->HasEnded()) d->OnCommand(d->DefaultButton());
  });
}

void ConsoleTransferView::DialogChanged(const CDialogPresenter& dialog) {
  if (dialog.Controls().HasText(kIdOk)) Line(Utf16ToUtf8(dialog.Controls().Text(kIdOk)));
}

void ConsoleTransferView::DialogEnded(const CDialogPresenter& dialog) {
  Line("[" + Utf16ToUtf8(dialog.Caption()) + "] -> " + std::to_string(dialog.EndCode()));
}

std::optional<std::u16string> ConsoleTransferView::BrowseFolder(const std::u16string& title,
                                                                const std::u16string& initial) {
  if (!options_.interactive) return std::nullopt;
  auto answer = Prompt(title + u" [" + initial + u"] ");
  if (!answer || answer->empty()) return std::nullopt;
  return answer;
}

std::optional<std::u16string> ConsoleTransferView::AskSavePath(const std::u16string& path) {
  if (!options_.interactive) return std::nullopt;
  auto answer = Prompt(u"Save as [" + path + u"] ");
  if (!answer || answer->empty()) return std::nullopt;
  return answer;
}

// --- the terminal's input -----------------------------------------------

void ConsoleTransferView::StartReader() {
  if (readerStarted_) return;
  readerStarted_ = true;
  std::istream* in = options_.in ? options_.in : &std::cin;
  std::weak_ptr<bool> alive = alive_;
  auto input = input_;
  IUiThread* ui = &ui_;
  // Detached: a read of the terminal cannot be interrupted, and the process
  // may end while it waits.
  std::thread([in, input, alive, ui, this] {
    std::string line;
    while (std::getline(*in, line)) {
      {
        std::lock_guard<std::mutex> lock(input->mutex);
        input->lines.push_back(line);
      }
      ui->Post([alive, this] {
        if (alive.lock()) OnTypedLine();
      });
    }
    std::lock_guard<std::mutex> lock(input->mutex);
    input->ended = true;
  }).detach();
}

std::optional<std::u16string> ConsoleTransferView::Prompt(const std::u16string& question) {
  std::ostream& out = out_ ? *out_ : std::cout;
  out << Utf16ToUtf8(question);
  out.flush();
  StartReader();
  std::optional<std::u16string> answer;
  ui_.Clock().WaitUntil(
      [&] {
        std::lock_guard<std::mutex> lock(input_->mutex);
        if (!input_->lines.empty()) {
          answer = Utf8ToUtf16(input_->lines.front());
          input_->lines.pop_front();
          return true;
        }
        return input_->ended;
      },
      platform::kNoTimeout, 50);
  drawnLines_ = 0;
  drawnOnce_ = false;
  return answer;
}

void ConsoleTransferView::OnTypedLine() {
  std::string line;
  {
    std::lock_guard<std::mutex> lock(input_->mutex);
    if (input_->lines.empty()) return;  // a prompt took it
    line = input_->lines.front();
    input_->lines.pop_front();
  }
  try {
    view_.OnCommand(std::stoi(line));
  } catch (...) {
    Line("Type the number of a button (e.g. 1002 starts or stops).");
  }
}

}  // namespace vard
