#include "common/platform/tests/WindowControl.h"

#include <string>

namespace vard::platform::testing {

bool RequestClose(const WindowRef& window, uintptr_t wParam) {
  std::string reply;
  return WindowRequest(window.className, "close " + std::to_string(wParam), &reply) && reply == "0";
}

bool PressButton(const WindowRef& window, int controlId) {
  std::string reply;
  return WindowRequest(window.className, "command " + std::to_string(controlId), &reply) && reply == "0";
}

}  // namespace vard::platform::testing
