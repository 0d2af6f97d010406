#pragma once
// The agent's main window: the mode's window class and caption, the view as
// its child, the tray icon and what closing means (CFramePresenter), and
// the end of the process when it is destroyed. The windows that show the
// frame and the view come from factories (the Windows ones); without them
// the program windows with the console view. Created hidden; the first
// batch shows it. UI thread only.
#include <functional>
#include <memory>
#include <string>

#include "agent/views/ConsoleTransferView.h"
#include "agent/views/FramePresenter.h"
#include "agent/views/FrameWindow.h"
#include "agent/views/MainView.h"
#include "agent/views/UiThread.h"
#include "common/platform/EventLoop.h"
#include "common/platform/ProgramWindow.h"

namespace vard {

// The quit code posted when the main window is destroyed.
inline constexpr int kMainWindowQuitCode = 1;

class CMainFrame;

// The system's own windows for the frame and the view; either may be null.
struct FrameWindowFactories {
  std::function<std::unique_ptr<IFrameWindow>(CMainFrame&)> frame;
  std::function<std::unique_ptr<ITransferWindow>(CMainFrame&)> view;
};

class CMainFrame : public IViewFrame, public platform::IWindowRequests {
 public:
  using MessageSink = std::function<void(const std::u16string& text, const std::u16string& caption)>;

  CMainFrame(platform::EventLoop& loop, MainViewSetup viewSetup, MessageSink messages,
             ConsoleViewOptions console = StandardConsoleOptions(), FrameWindowFactories windows = {});
  ~CMainFrame() override;

  // Creates the main window and the view inside it (which may read a
  // hand-off at once). False when a window cannot be made.
  bool Create();
  // Destroys both windows and ends the loop with kMainWindowQuitCode.
  void Destroy();

  CMainView& View() { return *view_; }
  CFramePresenter& Presenter() { return presenter_; }
  platform::EventLoop& Loop() { return loop_; }
  AgentMode Mode() const { return mode_; }
  // The native windows (HWND on Windows; 0 elsewhere or before Create).
  intptr_t MainHandle() const { return main_ ? main_->NativeHandle() : 0; }
  intptr_t ViewHandle() const { return viewWindow_ ? viewWindow_->NativeHandle() : 0; }
  // The windows that show the frame and the view now.
  IFrameWindow* FrameWindow() { return frameWindow_.get(); }
  ITransferWindow* TransferWindow() { return transferWindow_.get(); }
  bool IsVisible() const;
  std::u16string Caption() const;
  bool TransferRunning() const { return transferRunning_; }

  // IViewFrame
  void SetCaption(const std::u16string& caption) override;
  void ShowForBatch() override;
  void ShowMessage(const std::u16string& text, const std::u16string& caption) override;
  void SetTransferRunning(bool running) override;
  void PostClose(uintptr_t wParam) override;

  // platform::IWindowRequests
  intptr_t OnRegisteredMessage(const std::u16string& name, uintptr_t wParam, intptr_t lParam) override;
  void OnCommand(int controlId) override;
  void OnClose(uintptr_t wParam) override;
  void OnForeground() override;
  std::string Dump() override;

 private:
  platform::EventLoop& loop_;
  AgentMode mode_;
  MessageSink messages_;
  FrameWindowFactories factories_;
  EventLoopUiThread ui_;
  std::unique_ptr<CMainView> view_;
  std::unique_ptr<ConsoleTransferView> console_;
  CFramePresenter presenter_;
  std::unique_ptr<platform::ProgramWindow> main_;
  std::unique_ptr<platform::ProgramWindow> viewWindow_;
  std::unique_ptr<IFrameWindow> frameWindow_;
  std::unique_ptr<ITransferWindow> transferWindow_;
  bool transferRunning_ = false;
};

}  // namespace vard
