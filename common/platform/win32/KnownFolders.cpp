#include "common/platform/KnownFolders.h"

#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include "common/platform/Environment.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {

std::u16string DocumentsFolder() {
  wchar_t buf[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return win32::U(buf);
}

std::u16string TempFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, buf);
  return n ? win32::U(buf, n) : std::u16string();
}

namespace {

// SHGetKnownFolderPath, looked up at run time: older systems have none.
std::u16string KnownFolder(REFKNOWNFOLDERID id) {
  using GetKnownFolder = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
  HMODULE shell = ::LoadLibraryW(L"shell32.dll");
  if (!shell) return {};
  auto get = reinterpret_cast<GetKnownFolder>(reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetKnownFolderPath")));
  std::u16string folder;
  PWSTR path = nullptr;
  if (get && SUCCEEDED(get(id, 0, nullptr, &path)) && path) folder = win32::U(path);
  if (path) ::CoTaskMemFree(path);
  ::FreeLibrary(shell);
  return folder;
}

}  // namespace

std::u16string DownloadsFolder() {
  std::u16string folder = KnownFolder(FOLDERID_Downloads);
  while (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
  return folder;
}

std::u16string DataFolder() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExW(&info)) return {};
#pragma GCC diagnostic pop
  const bool nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  if (nt && info.dwMajorVersion > 5) return KnownFolder(FOLDERID_LocalAppDataLow);
  wchar_t buf[MAX_PATH] = {};
  if (::SHGetSpecialFolderPathW(nullptr, buf, CSIDL_COMMON_APPDATA, TRUE)) return win32::U(buf);
  if (!(nt && info.dwMajorVersion >= 5)) return u"C:\\Program Files\\Common Files";
  return {};
}

std::u16string SystemDirectory() {
  wchar_t buf[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(buf, MAX_PATH);
  return n ? win32::U(buf, n) : std::u16string();
}

std::u16string ModulePath() {
  wchar_t buf[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH);
  return win32::U(buf, n);
}

}  // namespace vard::platform
