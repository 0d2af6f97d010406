#include "control/win32/Registration.h"

#include <olectl.h>

#include <vector>

#include "KT5Ctrl_h.h"

namespace vard::com {
namespace {

struct Value {
  std::wstring key;   // below HKEY_CLASSES_ROOT
  std::wstring name;  // empty: the key's default value
  std::wstring data;
};

bool SetValue(const Value& v) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, v.key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  const LSTATUS s = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(v.data.c_str()),
                                   static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return s == ERROR_SUCCESS;
}

std::wstring ModuleFileName(const std::wstring& module) {
  const size_t slash = module.find_last_of(L"\\/");
  return slash == std::wstring::npos ? module : module.substr(slash + 1);
}

std::vector<Value> Values(const std::wstring& module) {
  const std::wstring clsid = GuidText(CLSID_KT5Ctrl);
  const std::wstring cls = L"CLSID\\" + clsid;
  return {
      {kProgId, L"", kDescription},
      {std::wstring(kProgId) + L"\\CLSID", L"", clsid},
      {kVersionIndependentProgId, L"", kDescription},
      {std::wstring(kVersionIndependentProgId) + L"\\CLSID", L"", clsid},
      {std::wstring(kVersionIndependentProgId) + L"\\CurVer", L"", kProgId},
      {cls, L"", kDescription},
      {cls, L"AppID", kAppId},
      {cls + L"\\ProgID", L"", kProgId},
      {cls + L"\\VersionIndependentProgID", L"", kVersionIndependentProgId},
      {cls + L"\\InprocServer32", L"", module},
      {cls + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {cls + L"\\Programmable", L"", L""},
      {cls + L"\\Control", L"", L""},
      {cls + L"\\ToolboxBitmap32", L"", module + L", 102"},
      {cls + L"\\MiscStatus", L"", L"0"},
      {cls + L"\\MiscStatus\\1", L"", L"131473"},
      {cls + L"\\TypeLib", L"", GuidText(LIBID_VardKT5Lib)},
      {cls + L"\\Version", L"", L"1.0"},
      {cls + L"\\Implemented Categories\\" + kCatSafeForScripting, L"", L""},
      {cls + L"\\Implemented Categories\\" + kCatSafeForInitializing, L"", L""},
      {std::wstring(L"AppID\\") + kAppId, L"", L"VardKT5"},
      {L"AppID\\" + ModuleFileName(module), L"AppID", kAppId},
  };
}

// The keys we own as a whole (removed with everything below them).
std::vector<std::wstring> OwnKeys(const std::wstring& module) {
  return {kProgId, kVersionIndependentProgId, L"CLSID\\" + GuidText(CLSID_KT5Ctrl),
          std::wstring(L"AppID\\") + kAppId, L"AppID\\" + ModuleFileName(module)};
}

// The categories' descriptions, written only when the system lacks them
// and left in place: other controls share them.
void EnsureCategory(const wchar_t* catid, const wchar_t* description) {
  const std::wstring key = std::wstring(L"Component Categories\\") + catid;
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
    RegCloseKey(k);
    return;
  }
  SetValue({key, L"409", description});
}

}  // namespace

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT RegisterServer(const std::wstring& module) {
  for (const Value& v : Values(module))
    if (!SetValue(v)) return SELFREG_E_CLASS;
  EnsureCategory(kCatSafeForScripting, L"Controls safely scriptable!");
  EnsureCategory(kCatSafeForInitializing, L"Controls safely initializable from persistent data!");
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(module.c_str(), REGKIND_NONE, &lib);
  if (SUCCEEDED(hr)) {
    // Also registers the marshaler of the dual interface.
    std::wstring path = module;
    hr = RegisterTypeLib(lib, path.data(), nullptr);
    lib->Release();
  }
  return SUCCEEDED(hr) ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT UnregisterServer(const std::wstring& module) {
  bool ok = true;
  for (const std::wstring& key : OwnKeys(module)) {
    const LSTATUS s = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    ok = ok && (s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND);
  }
  UnRegisterTypeLib(LIBID_VardKT5Lib, 1, 0, LOCALE_NEUTRAL, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  // Gone is what counts: a library that was not registered fails to
  // unregister, and that is no error.
  HKEY left = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + GuidText(LIBID_VardKT5Lib) + L"\\1.0").c_str(), 0, KEY_READ,
                    &left) == ERROR_SUCCESS) {
    RegCloseKey(left);
    ok = false;
  }
  return ok ? S_OK : SELFREG_E_CLASS;
}

}  // namespace vard::com
