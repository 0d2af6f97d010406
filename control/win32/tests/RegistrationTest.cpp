// regsvr32 and regsvr32 /u on the module, with the registry read back.
#include <gtest/gtest.h>

#include "control/win32/Registration.h"
#include "control/win32/tests/ComServerFixture.h"

namespace vard::com::testing {
namespace {

DWORD RunRegsvr32(const std::wstring& options) {
  std::wstring line = L"regsvr32.exe /s " + options + L" \"" + ModulePath() + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 9999;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 9999;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

// The value's text, or "<none>" when the key or value is not there.
std::wstring Value(const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return L"<none>";
  return data;
}

bool KeyExists(const std::wstring& key) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
  return s;
}

TEST(RegistrationTest, Regsvr32WritesTheControlsKeysAndRegsvr32UTakesThemAway) {
  CoInitialize(nullptr);
  const std::wstring clsid = GuidText(CLSID_KT5Ctrl);
  const std::wstring cls = L"CLSID\\" + clsid;
  ASSERT_EQ(RunRegsvr32(L""), 0u);

  EXPECT_EQ(Value(L"VardKT5.KT5Ctrl.1"), L"VardKT Ver.5 (REengineered)");
  EXPECT_EQ(Value(L"VardKT5.KT5Ctrl.1\\CLSID"), clsid);
  EXPECT_EQ(Value(L"VardKT5.KT5Ctrl\\CLSID"), clsid);
  EXPECT_EQ(Value(L"VardKT5.KT5Ctrl\\CurVer"), L"VardKT5.KT5Ctrl.1");
  EXPECT_EQ(Value(cls), L"VardKT Ver.5 (REengineered)");
  EXPECT_EQ(Value(cls + L"\\ProgID"), L"VardKT5.KT5Ctrl.1");
  EXPECT_EQ(Value(cls + L"\\VersionIndependentProgID"), L"VardKT5.KT5Ctrl");
  const std::wstring server = Value(cls + L"\\InprocServer32");
  EXPECT_NE(Lower(server).find(L"vardkt5.dll"), std::wstring::npos) << server.c_str();
  EXPECT_EQ(Value(cls + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_TRUE(KeyExists(cls + L"\\Programmable"));
  EXPECT_TRUE(KeyExists(cls + L"\\Control"));
  EXPECT_EQ(Value(cls + L"\\ToolboxBitmap32"), server + L", 102");
  EXPECT_EQ(Value(cls + L"\\MiscStatus"), L"0");
  EXPECT_EQ(Value(cls + L"\\MiscStatus\\1"), L"131473");
  EXPECT_EQ(Value(cls + L"\\TypeLib"), GuidText(LIBID_VardKT5Lib));
  EXPECT_EQ(Value(cls + L"\\Version"), L"1.0");
  EXPECT_TRUE(KeyExists(cls + L"\\Implemented Categories\\" + kCatSafeForScripting));
  EXPECT_TRUE(KeyExists(cls + L"\\Implemented Categories\\" + kCatSafeForInitializing));
  EXPECT_EQ(Value(cls, L"AppID"), kAppId);
  EXPECT_EQ(Value(std::wstring(L"AppID\\") + kAppId), L"VardKT5");
  EXPECT_EQ(Value(L"AppID\\VardKT5.dll", L"AppID"), kAppId);
  // The type library and the dual interface's marshaler.
  EXPECT_TRUE(KeyExists(L"TypeLib\\" + GuidText(LIBID_VardKT5Lib) + L"\\1.0"));
  EXPECT_TRUE(KeyExists(L"Interface\\" + GuidText(IID_IKT5Ctrl)));
  CLSID found = {};
  EXPECT_EQ(CLSIDFromProgID(L"VardKT5.KT5Ctrl", &found), S_OK);
  EXPECT_TRUE(IsEqualCLSID(found, CLSID_KT5Ctrl));
  IDispatch* d = nullptr;
  EXPECT_EQ(CoCreateInstance(found, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d)), S_OK);
  if (d) d->Release();

  ASSERT_EQ(RunRegsvr32(L"/u"), 0u);
  EXPECT_FALSE(KeyExists(L"VardKT5.KT5Ctrl.1"));
  EXPECT_FALSE(KeyExists(L"VardKT5.KT5Ctrl"));
  EXPECT_FALSE(KeyExists(cls));
  EXPECT_FALSE(KeyExists(std::wstring(L"AppID\\") + kAppId));
  EXPECT_FALSE(KeyExists(L"AppID\\VardKT5.dll"));
  EXPECT_FALSE(KeyExists(L"TypeLib\\" + GuidText(LIBID_VardKT5Lib)));
  EXPECT_NE(CLSIDFromProgID(L"VardKT5.KT5Ctrl", &found), S_OK);
  // The shared categories stay for other controls.
  EXPECT_TRUE(KeyExists(std::wstring(L"Component Categories\\") + kCatSafeForScripting));
  // Unregistering twice is no error.
  EXPECT_EQ(RunRegsvr32(L"/u"), 0u);
  CoUninitialize();
}

}  // namespace
}  // namespace vard::com::testing
