#pragma once
// What a transfer view asks of the main window that holds it.
#include <cstdint>
#include <string>

namespace vard {

class IViewFrame {
 public:
  virtual ~IViewFrame() = default;
  // The caption a hand-off's title region asked for.
  virtual void SetCaption(const std::u16string& caption) = 0;
  // A batch arrived: show the window normally and bring it to the front.
  virtual void ShowForBatch() = 0;
  // An information message owned by the main window.
  virtual void ShowMessage(const std::u16string& text, const std::u16string& caption) = 0;
  // The worker started (true) or ended (false) a run: the tray animates.
  virtual void SetTransferRunning(bool running) { (void)running; }
  // Closes the main window later, as its close box would (wParam 1: without
  // asking).
  virtual void PostClose(uintptr_t wParam) { (void)wParam; }
};

}  // namespace vard
