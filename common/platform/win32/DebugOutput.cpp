#include "common/platform/DebugOutput.h"

#include <windows.h>

#include <string>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

void DebugOutput(std::u16string_view line) {
  const std::u16string text = std::u16string(line) + u"\r\n";
  OutputDebugStringW(win32::W(text));
}

}  // namespace vard::platform
