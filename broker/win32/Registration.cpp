// DllRegisterServer and DllUnregisterServer: the type library, the class
// with its elevation facts, the AppID that runs it in the system's
// surrogate process, and the proxy/stub.
#include <windows.h>
#include <oleauto.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "broker/win32/ServerModule.h"
#include "common/platform/ElevationBroker.h"

namespace {

using vard::platform::kBrokerAppId;
using vard::platform::kBrokerClassId;
using vard::platform::kBrokerLibraryId;

std::wstring Wide(const char16_t* s) { return std::wstring(s, s + std::char_traits<char16_t>::length(s)); }

struct Entry {
  std::wstring key;    // below HKEY_CLASSES_ROOT
  std::wstring name;   // empty: the key's default value
  std::wstring text;   // a string value, unless `dword`
  bool dword = false;
  DWORD number = 0;
  bool keyOnly = false;
};

// The keys and values of the class, with %MODULE% and the AppID filled in.
std::vector<Entry> Script(const std::wstring& module) {
  const std::wstring appId = Wide(kBrokerAppId), classId = Wide(kBrokerClassId), libId = Wide(kBrokerLibraryId);
  const std::wstring progId = L"VardKTCOMBroker3.KTCOMBroker3", progId1 = progId + L".1";
  const std::wstring cls = L"CLSID\\" + classId;
  return {
      {L"AppID\\" + appId, L"", L"VardKTCOMBroker3"},
      {L"AppID\\" + appId, L"DllSurrogate", L""},
      {L"AppID\\VardKTCOMBroker3.DLL", L"AppID", appId},
      {progId1, L"", L"KTCOMBroker3 Class"},
      {progId1 + L"\\CLSID", L"", classId},
      {progId, L"", L"KTCOMBroker3 Class"},
      {progId + L"\\CLSID", L"", classId},
      {progId + L"\\CurVer", L"", progId1},
      {cls, L"", L"KTCOMBroker3 Class"},
      {cls + L"\\ProgID", L"", progId1},
      {cls + L"\\VersionIndependentProgID", L"", progId},
      {cls + L"\\Programmable", L"", L"", false, 0, true},
      {cls + L"\\InprocServer32", L"", module},
      {cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {cls, L"AppID", appId},
      {cls + L"\\TypeLib", L"", libId},
      {cls + L"\\Elevation", L"Enabled", L"", true, 1},
      {cls, L"LocalizedString", L"@" + module + L",-101"},
  };
}

// The top keys the script made; removing them takes everything along.
std::vector<std::wstring> ScriptRoots() {
  return {L"AppID\\" + Wide(kBrokerAppId), L"AppID\\VardKTCOMBroker3.DLL", L"VardKTCOMBroker3.KTCOMBroker3.1",
          L"VardKTCOMBroker3.KTCOMBroker3", L"CLSID\\" + Wide(kBrokerClassId)};
}

LONG Write(const Entry& e) {
  HKEY key = nullptr;
  LONG r = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, e.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (r != ERROR_SUCCESS) return r;
  const wchar_t* name = e.name.empty() ? nullptr : e.name.c_str();
  if (e.dword) {
    r = ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&e.number), sizeof e.number);
  } else if (!e.keyOnly) {
    r = ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(e.text.c_str()),
                         static_cast<DWORD>((e.text.size() + 1) * sizeof(wchar_t)));
  }
  ::RegCloseKey(key);
  return r;
}

int MajorVersion() {
  OSVERSIONINFOEXW extended{};
  extended.dwOSVersionInfoSize = sizeof extended;
  if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) return static_cast<int>(extended.dwMajorVersion);
  OSVERSIONINFOW basic{};
  basic.dwOSVersionInfoSize = sizeof basic;
  if (::GetVersionExW(&basic)) return static_cast<int>(basic.dwMajorVersion);
  return 0;
}

// Who may start the surrogate (low-integrity callers too) and call it.
void WritePermissions() {
  HKEY key = nullptr;
  const std::wstring path = L"AppID\\" + Wide(kBrokerAppId);
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  const struct {
    const wchar_t* name;
    const wchar_t* sddl;
  } descriptors[] = {
      {L"LaunchPermission", L"O:BAG:BAD:(A;;0xb;;;WD)S:(ML;;NX;;;LW)"},
      {L"AccessPermission", L"O:BAG:BAD:(A;;0x3;;;IU)(A;;0x3;;;SY)"},
  };
  for (const auto& d : descriptors) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ULONG size = 0;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(d.sddl, SDDL_REVISION_1, &sd, &size)) continue;
    ::RegSetValueExW(key, d.name, 0, REG_BINARY, static_cast<const BYTE*>(sd), size);
    ::LocalFree(sd);
  }
  ::RegCloseKey(key);
}

}  // namespace

extern "C" {

HRESULT WINAPI DllRegisterServer() {
  wchar_t module[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(vard::broker::win32::Module(), module, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return HRESULT_FROM_WIN32(::GetLastError());
  ITypeLib* library = nullptr;
  HRESULT hr = ::LoadTypeLibEx(module, REGKIND_REGISTER, &library);
  if (FAILED(hr)) return hr;
  library->Release();
  for (const Entry& e : Script(module)) {
    if (const LONG r = Write(e); r != ERROR_SUCCESS) return HRESULT_FROM_WIN32(r);
  }
  if (MajorVersion() > 5) WritePermissions();
  return PrxDllRegisterServer();
}

HRESULT WINAPI DllUnregisterServer() {
  for (const std::wstring& root : ScriptRoots()) ::RegDeleteTreeW(HKEY_CLASSES_ROOT, root.c_str());
  GUID libId{};
  if (SUCCEEDED(::CLSIDFromString(Wide(kBrokerLibraryId).data(), &libId)))
    ::UnRegisterTypeLib(libId, 1, 0, LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  return PrxDllUnregisterServer();
}

}  // extern "C"
