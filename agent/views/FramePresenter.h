#pragma once
// What the agent's main window does, apart from the window itself: what
// closing means (hide, exit or ask, by the mode's close setting), hiding
// to the tray and coming back, the tray menu's commands and the tray
// icon's animation while a transfer runs. The window (IFrameWindow) shows
// it. UI thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "agent/AgentMode.h"
#include "agent/views/FrameWindow.h"

namespace vard {

class CMainView;
class IUiThread;

// Tray menu commands.
namespace tray_command {
constexpr int kOpen = 32785;
constexpr int kHide = 32786;
constexpr int kSettings = 32788;
constexpr int kExit = 32789;
}  // namespace tray_command

// Mouse messages the tray icon's callback carries in lParam.
inline constexpr intptr_t kTrayDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
inline constexpr intptr_t kTrayRightButtonUp = 0x0205;  // WM_RBUTTONUP

// The tray icon's callback message, registered by name.
inline constexpr char16_t kTrayMessage[] = u"vardel_MWKTPlus_tray_message";

class CFramePresenter {
 public:
  static constexpr uint32_t kAnimationTimer = 0x6100;  // the frame's "timer 0"
  static constexpr uint32_t kAnimationMs = 300;
  // How long the worker gets to stop by itself before its network handles
  // are closed, and again after that.
  static constexpr uint32_t kStopGraceMs = 2000;

  // `destroy` takes the window down (and ends the loop); `postClose` posts
  // a close request to the window.
  CFramePresenter(AgentMode mode, CMainView& view, IUiThread& ui, std::function<void()> destroy,
                  std::function<void(uintptr_t)> postClose);
  ~CFramePresenter();

  void AttachWindow(IFrameWindow& window) { window_ = &window; }

  // The window exists / goes: the tray icon comes and goes with it.
  void OnCreate();
  void OnDestroy();
  // WM_CLOSE: wParam 1 stops and closes without asking.
  void OnClose(uintptr_t wParam);
  // The tray icon's callback with the mouse message.
  void OnTrayNotify(intptr_t mouseMessage);
  void OnTrayCommand(int command);
  // The view's run started or ended: the tray icon animates or rests.
  void SetTransferRunning(bool running);
  void OnAnimationTick();
  // A batch arrived.
  void ShowForBatch();

  void HideToTray();
  void RestoreFromTray();

  bool Hidden() const { return hidden_; }
  uint32_t TrayIcon() const { return trayIcon_; }
  bool Animating() const { return animating_; }
  bool Asking() const { return asking_; }
  // The tray menu's first item in this mode.
  std::u16string OpenText() const;
  // "hidden", "tray_icon", "animating" and "asking" members of a JSON object.
  std::string JsonMembers() const;

 private:
  void StopAndDestroy();
  void AskAndClose(uintptr_t wParam);

  AgentMode mode_;
  CMainView& view_;
  IUiThread& ui_;
  std::function<void()> destroy_;
  std::function<void(uintptr_t)> postClose_;
  IFrameWindow* window_ = nullptr;
  bool hidden_ = false;
  bool animating_ = false;
  bool asking_ = false;
  bool destroyed_ = false;
  int counter_ = 0;
  uint32_t trayIcon_ = 0;
  // A question's answer may come after this presenter is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vard
