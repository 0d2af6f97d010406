#pragma once
// Registering the broker's COM server for a test or a benchmark, and the
// surrogate Wine needs to run it out of process.
#include <windows.h>

#include <string>
#include <vector>

#include "common/platform/ElevationBroker.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Process.h"

namespace vard::broker::testing {

// regsvr32's exit code, or -1 when it could not run or did not end.
inline int Regsvr32(const std::u16string& server, bool unregister) {
  namespace p = platform;
  std::vector<std::u16string> args = {u"/s"};
  if (unregister) args.push_back(u"/u");
  args.push_back(server);
  p::ChildProcess child = p::ChildProcess::Start(p::SystemDirectory() + u"\\regsvr32.exe", args);
  int code = -1;
  if (!child.Wait(60000, &code)) child.Kill();
  return code;
}

// Wine takes the default surrogate of a module it cannot classify for the
// 32-bit one, which 64-bit-only systems cannot run: there the system's own
// surrogate is named. Windows reads the empty value as registered.
inline void NameTheSurrogateUnderWine() {
  namespace p = platform;
  if (!::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
  const std::u16string host = p::SystemDirectory() + u"\\dllhost.exe";
  const std::wstring key = L"AppID\\" + std::wstring(p::kBrokerAppId, p::kBrokerAppId + 38);
  ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"DllSurrogate", REG_SZ, host.c_str(),
                    static_cast<DWORD>((host.size() + 1) * sizeof(char16_t)));
}

}  // namespace vard::broker::testing
