#include "agent/views/MainFrame.h"

#include "common/handoff/AgentNames.h"
#include "common/text/JsonText.h"

namespace vard {

CMainFrame::CMainFrame(platform::EventLoop& loop, MainViewSetup viewSetup, MessageSink messages,
                       ConsoleViewOptions console)
    : loop_(loop),
      mode_(viewSetup.mode),
      messages_(std::move(messages)),
      ui_(loop),
      view_(CMainView::Create(*this, ui_, std::move(viewSetup))),
      console_(std::make_unique<ConsoleTransferView>(*view_, ui_, console)) {
  view_->AttachWindow(console_.get());
}

CMainFrame::~CMainFrame() {
  viewWindow_.reset();
  main_.reset();
  view_->AttachWindow(nullptr);
}

bool CMainFrame::Create() {
  const AgentModeFacts& facts = FactsOf(mode_);
  if (!facts.mainClass) return false;
  main_ = platform::ProgramWindow::Create(loop_, facts.mainClass, nullptr, {}, *this);
  if (!main_) return false;
  main_->SetTitle(facts.caption);
  viewWindow_ = platform::ProgramWindow::Create(loop_, facts.viewClass, main_.get(),
                                                {kInsertQueueMessage, kViewSelectMessage}, *view_);
  if (!viewWindow_) {
    main_.reset();
    return false;
  }
  view_->OnCreate();
  return true;
}

void CMainFrame::Destroy() {
  if (!main_) return;
  view_->OnDestroy();
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
  if (!main_) return;
  main_->Show(true);
  if (viewWindow_) viewWindow_->Show(true);
}

void CMainFrame::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  if (messages_) messages_(text, caption);
}

void CMainFrame::PostClose(uintptr_t wParam) {
  loop_.Post([this, wParam] { OnClose(wParam); });
}

void CMainFrame::OnCommand(int controlId) {
  // The view's buttons sit on the main window.
  view_->OnCommand(controlId);
}

void CMainFrame::OnClose(uintptr_t) {
  // Closing asks nothing yet: the tray and the close setting decide this
  // once the frame has them. Destroyed after the request that asked for it
  // has been answered, never from inside the window's own handler.
  loop_.Post([this] { Destroy(); });
}

void CMainFrame::OnForeground() {
  if (main_ && view_->Shown()) main_->Show(true);
}

std::string CMainFrame::Dump() {
  const AgentModeFacts& facts = FactsOf(mode_);
  std::string out = "{\"class\":" + JsonQuote(facts.mainClass ? facts.mainClass : u"");
  out += ",\"title\":" + JsonQuote(Caption());
  out += ",\"visible\":";
  out += IsVisible() ? "true" : "false";
  out += ",\"transfer_running\":";
  out += transferRunning_ ? "true" : "false";
  out += ",\"entries\":" + std::to_string(view_->Entries().size());
  out += '}';
  return out;
}

}  // namespace vard
