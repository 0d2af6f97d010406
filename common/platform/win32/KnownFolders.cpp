#include "common/platform/KnownFolders.h"

#include <windows.h>
#include <shlobj.h>

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
