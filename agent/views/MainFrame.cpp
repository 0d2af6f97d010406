#include "agent/views/MainFrame.h"

#include "common/handoff/AgentNames.h"
#include "common/text/JsonText.h"

namespace vard {
namespace {

// The frame as the program window shows it without a desktop: hidden or
// visible; the tray icon lives in the presenter's number only.
class ProgramFrameWindow final : public IFrameWindow {
 public:
  ProgramFrameWindow(platform::ProgramWindow& main, platform::ProgramWindow& view) : main_(main), view_(view) {}
  void AddTrayIcon(uint32_t, const std::u16string&) override {}
  void SetTrayIcon(uint32_t) override {}
  void RemoveTrayIcon() override {}
  void HideToTray() override { main_.Show(false); }
  void RestoreFromTray() override { main_.Show(true); }
  void BringToTop() override { main_.Show(true); }
  void ShowForBatch() override {
    main_.Show(true);
    view_.Show(true);
  }
  std::optional<int> TrackTrayMenu(const std::u16string&) override { return std::nullopt; }

 private:
  platform::ProgramWindow& main_;
  platform::ProgramWindow& view_;
};

}  // namespace

CMainFrame::CMainFrame(platform::EventLoop& loop, MainViewSetup viewSetup, MessageSink messages,
                       ConsoleViewOptions console, FrameWindowFactories windows)
    : loop_(loop),
      mode_(viewSetup.mode),
      messages_(std::move(messages)),
      factories_(std::move(windows)),
      ui_(loop),
      view_(CMainView::Create(*this, ui_, std::move(viewSetup))),
      console_(std::make_unique<ConsoleTransferView>(*view_, ui_, console)),
      presenter_(
          mode_, *view_, ui_,
          // Never from inside the handler that asked for it.
          [this] { loop_.Post([this] { Destroy(); }); }, [this](uintptr_t wParam) { PostClose(wParam); }) {
  view_->AttachWindow(console_.get());
}

CMainFrame::~CMainFrame() {
  view_->AttachWindow(nullptr);
  transferWindow_.reset();
  frameWindow_.reset();
  viewWindow_.reset();
  main_.reset();
}

bool CMainFrame::Create() {
  const AgentModeFacts& facts = FactsOf(mode_);
  if (!facts.mainClass) return false;
  main_ = platform::ProgramWindow::Create(loop_, facts.mainClass, nullptr, {kTrayMessage}, *this);
  if (!main_) return false;
  main_->SetTitle(facts.caption);
  // A page of a protected browser may only hand over a batch.
  viewWindow_ = platform::ProgramWindow::Create(loop_, facts.viewClass, main_.get(),
                                                {kInsertQueueMessage, kViewSelectMessage}, *view_,
                                                {kMessagesFromPages.begin(), kMessagesFromPages.end()});
  if (!viewWindow_) {
    main_.reset();
    return false;
  }
  frameWindow_ = factories_.frame ? factories_.frame(*this) : nullptr;
  if (!frameWindow_) frameWindow_ = std::make_unique<ProgramFrameWindow>(*main_, *viewWindow_);
  presenter_.AttachWindow(*frameWindow_);
  transferWindow_ = factories_.view ? factories_.view(*this) : nullptr;
  if (transferWindow_) view_->AttachWindow(transferWindow_.get());
  presenter_.OnCreate();
  view_->OnCreate();
  return true;
}

void CMainFrame::Destroy() {
  if (!main_) return;
  presenter_.OnDestroy();
  view_->OnDestroy();
  view_->AttachWindow(console_.get());
  transferWindow_.reset();
  frameWindow_.reset();
  viewWindow_.reset();
  main_.reset();
  loop_.Quit(kMainWindowQuitCode);
}

bool CMainFrame::IsVisible() const { return main_ && main_->IsVisible(); }

std::u16string CMainFrame::Caption() const { return main_ ? main_->Title() : std::u16string(); }

void CMainFrame::SetCaption(const std::u16string& caption) {
  if (main_) main_->SetTitle(caption);
}

void CMainFrame::ShowForBatch() {
  if (main_) presenter_.ShowForBatch();
}

void CMainFrame::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  if (transferWindow_) {
    transferWindow_->ShowMessage(text, caption);
  } else if (messages_) {
    messages_(text, caption);
  }
}

void CMainFrame::SetTransferRunning(bool running) {
  transferRunning_ = running;
  presenter_.SetTransferRunning(running);
}

void CMainFrame::PostClose(uintptr_t wParam) {
  loop_.Post([this, wParam] { OnClose(wParam); });
}

intptr_t CMainFrame::OnRegisteredMessage(const std::u16string& name, uintptr_t, intptr_t lParam) {
  if (name == kTrayMessage) presenter_.OnTrayNotify(lParam);
  return 0;
}

void CMainFrame::OnCommand(int controlId) {
  // The view's buttons sit on the main window.
  view_->OnCommand(controlId);
}

void CMainFrame::OnClose(uintptr_t wParam) {
  if (main_) presenter_.OnClose(wParam);
}

void CMainFrame::OnForeground() {
  if (main_ && view_->Shown() && !presenter_.Hidden()) main_->Show(true);
}

std::string CMainFrame::Dump() {
  const AgentModeFacts& facts = FactsOf(mode_);
  std::string out = "{\"class\":" + JsonQuote(facts.mainClass ? facts.mainClass : u"");
  out += ",\"title\":" + JsonQuote(Caption());
  out += ",\"visible\":";
  out += IsVisible() ? "true" : "false";
  out += ",\"transfer_running\":";
  out += transferRunning_ ? "true" : "false";
  out += ',' + presenter_.JsonMembers();
  out += ",\"entries\":" + std::to_string(view_->Entries().size());
  out += '}';
  return out;
}

}  // namespace vard
