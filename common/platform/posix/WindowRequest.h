#pragma once
// POSIX backend only: the text of one request to a program window's
// socket (ProgramWindow.h), taken apart before anything acts on it.
#include <cstdint>
#include <string>
#include <string_view>

namespace vard::platform::posix {

// Longer requests are refused unread.
inline constexpr size_t kMaxWindowRequest = 4096;

struct WindowRequestParts {
  enum class Verb { kSend, kForeground, kCommand, kClose, kDump };
  Verb verb = Verb::kDump;
  std::string name;  // kSend: the registered message name (UTF-8)
  uintptr_t wParam = 0;  // kSend, kClose
  intptr_t lParam = 0;  // kSend
  int controlId = 0;  // kCommand
};

// False with a short English reason when the text is no request.
bool ParseWindowRequest(std::string_view text, WindowRequestParts* parts, std::string* reason);

// The text of a `send` request.
std::string SendRequestText(std::string_view name, uintptr_t wParam, intptr_t lParam);

}  // namespace vard::platform::posix
