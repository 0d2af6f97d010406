#pragma once
// What the tests of the real broker process share.
#include <string>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Clock.h"
#include "common/platform/Environment.h"
#include "common/text/Utf.h"

namespace vard::fsb::testing {

inline std::u16string ConsoleArgument() { return std::u16string(u"-") + kConsoleModeGuid; }

// Makes `folder` the runtime folder of this process and the brokers it
// starts (POSIX pipe and mutex files; nothing on Win32). Returns the OS path.
inline std::string UseRuntimeFolder(const std::u16string& folder) {
  std::string os = Utf16ToUtf8(folder);
  for (char& c : os)
    if (c == '\\') c = '/';
  platform::SetEnv("XDG_RUNTIME_DIR", os.c_str());
  return os;
}

// Real time: the broker is another process.
template <typename Pred>
bool Eventually(Pred pred, uint32_t ms = 5000) {
  return platform::SystemClock().WaitUntil(pred, ms, 20);
}

}  // namespace vard::fsb::testing
