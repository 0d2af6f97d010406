#pragma once
// What the main window's presenter asks of the window that shows it: the
// tray icon, hiding to the tray and coming back, the tray menu. On Windows
// a real frame window with a notification-area icon; elsewhere the program
// window with the icon kept as a number for `dump`. UI thread only.
#include <cstdint>
#include <optional>
#include <string>

namespace vard {

class IFrameWindow {
 public:
  virtual ~IFrameWindow() = default;

  virtual void AddTrayIcon(uint32_t iconId, const std::u16string& tip) = 0;
  virtual void SetTrayIcon(uint32_t iconId) = 0;
  virtual void RemoveTrayIcon() = 0;
  // Hides the window toward the notification area.
  virtual void HideToTray() = 0;
  // Shows it again from the notification area, without activating it.
  virtual void RestoreFromTray() = 0;
  // Shows a visible window normally and brings it to the top; its size
  // stays.
  virtual void BringToTop() = 0;
  // A batch arrived: shows the window and brings it to the foreground. The
  // first time it is centred, shorter when the list needs less room; later
  // at the place and size the user left it.
  virtual void ShowForBatch() = 0;
  // The tray menu at the cursor, its first item reading `openText`; the
  // command chosen, nothing when dismissed.
  virtual std::optional<int> TrackTrayMenu(const std::u16string& openText) = 0;
};

}  // namespace vard
