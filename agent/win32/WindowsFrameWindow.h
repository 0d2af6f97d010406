#pragma once
// Windows only: the main window as the frame presenter shows it: the
// mode's icons, the fixed style (no sizing border, no maximise box), the
// notification-area icon with its callback message, hiding toward the
// notification area and coming back where the user left the window, the
// tray menu (menu 223), and the view's first look at keyboard and mouse
// messages. UI thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "agent/views/FrameWindow.h"

namespace vard {
class CMainFrame;
}

namespace vard::agentwin {

class WindowsFrameWindow final : public IFrameWindow {
 public:
  explicit WindowsFrameWindow(CMainFrame& frame);
  ~WindowsFrameWindow() override;

  void AddTrayIcon(uint32_t iconId, const std::u16string& tip) override;
  void SetTrayIcon(uint32_t iconId) override;
  void RemoveTrayIcon() override;
  void HideToTray() override;
  void RestoreFromTray() override;
  void BringToTop() override;
  void ShowForBatch() override;
  std::optional<int> TrackTrayMenu(const std::u16string& openText) override;

  // The icon the notification area was last given (0: none), and whether
  // the shell took the icon.
  uint32_t ShownTrayIcon() const { return shownIcon_; }
  bool TrayAccepted() const { return trayAccepted_; }
  // Where hiding goes: the notification area, or the work area's corner.
  static RECT TrayRect();
  // The window's rectangle as the user last saw it (nothing before the
  // first showing).
  std::optional<RECT> Remembered() const { return remembered_; }

  // Offered to the view window first, before dispatch, with the message's
  // address in lParam; a non-zero answer means the view took it.
  static constexpr UINT kForwardMessage = 0x037F;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  void OnPositionChanged();
  // Back at the remembered place and size, not minimised.
  void PlaceAtRemembered();
  bool OfferToView(MSG& msg);

  CMainFrame& frame_;
  HWND hwnd_;
  UINT trayMessage_;
  bool trayAdded_ = false;
  bool trayAccepted_ = false;
  bool shownOnce_ = false;
  uint32_t shownIcon_ = 0;
  std::optional<RECT> remembered_;
  std::shared_ptr<WindowsFrameWindow*> self_;
};

}  // namespace vard::agentwin
