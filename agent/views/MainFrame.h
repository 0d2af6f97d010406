#pragma once
// The agent's main window: the mode's window class and caption, the view as
// its child with the window that shows it (the console view until the
// Windows windows come), and the end of the process when it is destroyed.
// Created hidden; the first batch shows it.
#include <functional>
#include <memory>
#include <string>

#include "agent/views/ConsoleTransferView.h"
#include "agent/views/MainView.h"
#include "agent/views/UiThread.h"
#include "common/platform/EventLoop.h"
#include "common/platform/ProgramWindow.h"

namespace vard {

// The quit code posted when the main window is destroyed.
inline constexpr int kMainWindowQuitCode = 1;

class CMainFrame : public IViewFrame, public platform::IWindowRequests {
 public:
  using MessageSink = std::function<void(const std::u16string& text, const std::u16string& caption)>;

  CMainFrame(platform::EventLoop& loop, MainViewSetup viewSetup, MessageSink messages,
             ConsoleViewOptions console = StandardConsoleOptions());
  ~CMainFrame() override;

  // Creates the main window and the view inside it (which may read a
  // hand-off at once). False when a window cannot be made.
  bool Create();
  // Destroys both windows and ends the loop with kMainWindowQuitCode.
  void Destroy();

  CMainView& View() { return *view_; }
  bool IsVisible() const;
  std::u16string Caption() const;
  bool TransferRunning() const { return transferRunning_; }

  // IViewFrame
  void SetCaption(const std::u16string& caption) override;
  void ShowForBatch() override;
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
  void SetTransferRunning(bool running) override { transferRunning_ = running; }
  void PostClose(uintptr_t wParam) override;

  // platform::IWindowRequests
  intptr_t OnRegisteredMessage(const std::u16string&, uintptr_t, intptr_t) override { return 0; }
  void OnCommand(int controlId) override;
  void OnClose(uintptr_t wParam) override;
  void OnForeground() override;
  std::string Dump() override;

 private:
  platform::EventLoop& loop_;
  AgentMode mode_;
  MessageSink messages_;
  EventLoopUiThread ui_;
  std::unique_ptr<CMainView> view_;
  std::unique_ptr<ConsoleTransferView> console_;
  std::unique_ptr<platform::ProgramWindow> main_;
  std::unique_ptr<platform::ProgramWindow> viewWindow_;
  bool transferRunning_ = false;
};

}  // namespace vard
