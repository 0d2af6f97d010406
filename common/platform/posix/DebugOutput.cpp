#include "common/platform/DebugOutput.h"

#include <cstdio>
#include <string>

#include "common/platform/Environment.h"
#include "common/text/Utf.h"

namespace vard::platform {

void DebugOutput(std::u16string_view line) {
  if (!GetEnv("VARDEL_DEBUG")) return;
  const std::string text = Utf16ToUtf8(line) + "\n";
  std::fputs(text.c_str(), stderr);
}

}  // namespace vard::platform
