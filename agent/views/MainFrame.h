#pragma once
// The agent's main window: the mode's window class and caption, the view as
// its child, and the end of the process when it is destroyed. Created
// hidden; the first batch shows it.
#include <functional>
#include <memory>
#include <string>

#include "agent/views/MainView.h"
#include "common/platform/EventLoop.h"
#include "common/platform/ProgramWindow.h"

namespace vard {

// The quit code posted when the main window is destroyed.
inline constexpr int kMainWindowQuitCode = 1;

class CMainFrame : public IViewFrame, public platform::IWindowRequests {
 public:
  using MessageSink = std::function<void(const std::u16string& text, const std::u16string& caption)>;

  CMainFrame(platform::EventLoop& loop, MainViewSetup viewSetup, MessageSink messages);
  ~CMainFrame() override;

  // Creates the main window and the view inside it (which may read a
  // hand-off at once). False when a window cannot be made.
  bool Create();
  // Destroys both windows and ends the loop with kMainWindowQuitCode.
  void Destroy();

  CMainView& View() { return view_; }
  bool IsVisible() const;
  std::u16string Caption() const;

  // IViewFrame
  void SetCaption(const std::u16string& caption) override;
  void ShowForBatch() override;
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;

  // platform::IWindowRequests
  intptr_t OnRegisteredMessage(const std::u16string&, uintptr_t, intptr_t) override { return 0; }
  void OnClose(uintptr_t wParam) override;
  void OnForeground() override;
  std::string Dump() override;

 private:
  platform::EventLoop& loop_;
  AgentMode mode_;
  MessageSink messages_;
  CMainView view_;
  std::unique_ptr<platform::ProgramWindow> main_;
  std::unique_ptr<platform::ProgramWindow> viewWindow_;
};

}  // namespace vard
