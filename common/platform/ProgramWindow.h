#pragma once
// A window of this program that other processes can reach by its class name:
// the agent's main window and view. Win32: a real window of a registered
// class. POSIX: a SOCK_SEQPACKET socket R/window/<class name> (folder mode
// 0700) served on the loop's thread, one request per packet, one reply per
// packet, UTF-8 without a line end:
//   send <registered-message-name> <wParam> <lParam>  -> <result>
//   foreground                                        -> 0
//   command <id>                                      -> 0
//   close <wParam>                                    -> 0
//   dump                                              -> one JSON object
// A malformed or over-long request, or one from another user, has no
// effect and gets "error: <reason>".
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/EventLoop.h"

namespace vard::platform {

// What a window does with what reaches it. Called on the loop's thread.
class IWindowRequests {
 public:
  virtual ~IWindowRequests() = default;
  // A message registered under `name`, sent by this or another process; the
  // result goes back to the sender.
  virtual intptr_t OnRegisteredMessage(const std::u16string& name, uintptr_t wParam, intptr_t lParam) = 0;
  // A button press (WM_COMMAND with the control ID).
  virtual void OnCommand(int controlId) { (void)controlId; }
  // WM_CLOSE: the window decides whether it closes.
  virtual void OnClose(uintptr_t wParam) { (void)wParam; }
  // Another process brought the window to the top.
  virtual void OnForeground() {}
  // The window's visible state as one JSON object: texts by control ID,
  // enabled flags, list rows with their column texts.
  virtual std::string Dump() { return "{}"; }
};

// What Create calls for each of a window's messages that pass the message
// filter for lower-integrity senders. Win32: ChangeWindowMessageFilter,
// where the system has it; POSIX: nothing (a window's socket serves only
// its own user). Tests put a recorder in its place; the one it replaces is
// returned.
using LowerIntegrityFilter = void (*)(const std::u16string& name);
LowerIntegrityFilter ReplaceLowerIntegrityFilter(LowerIntegrityFilter filter);

class ProgramWindow {
 public:
  // Creates a hidden window of class `className` on the loop's thread (the
  // class is registered on first use); `parent` null makes a top-level
  // window. `messages` are the registered message names it accepts; of
  // them, only those also in `fromLowerIntegrity` pass the message filter
  // for lower-integrity senders (a protected browser's page), so such a
  // page reaches nothing else. Null when it cannot be made; LastError()
  // says why (POSIX: a live window of that class already answers, the
  // socket path is too long). `handler` must outlive the window and the
  // window must not outlive the loop; a handler may destroy its own window.
  static std::unique_ptr<ProgramWindow> Create(EventLoop& loop, const std::u16string& className,
                                               ProgramWindow* parent, const std::vector<std::u16string>& messages,
                                               IWindowRequests& handler,
                                               const std::vector<std::u16string>& fromLowerIntegrity = {});
  ~ProgramWindow();  // destroys the window; POSIX: removes its socket
  ProgramWindow(const ProgramWindow&) = delete;
  ProgramWindow& operator=(const ProgramWindow&) = delete;

  void Show(bool visible);
  bool IsVisible() const;
  void SetTitle(const std::u16string& title);
  std::u16string Title() const;
  // HWND on Win32 (for the Windows views built on it); 0 on POSIX.
  intptr_t NativeHandle() const;

  struct Impl;

 private:
  explicit ProgramWindow(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vard::platform
