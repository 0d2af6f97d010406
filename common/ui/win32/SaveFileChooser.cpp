#include "common/ui/win32/SaveFileChooser.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "common/platform/win32/Wide.h"
#include "common/ui/SaveAsName.h"

namespace vard::ui {

using platform::win32::U;
using platform::win32::W;

std::u16string FileTypeName(const std::u16string& name) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(W(name), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_USEFILEATTRIBUTES | SHGFI_TYPENAME))
    return {};
  return U(info.szTypeName);
}

std::optional<std::u16string> ChooseSaveFile(HWND owner, const std::u16string& given) {
  const size_t slash = given.find_last_of(u"\\/");
  const std::u16string name = slash == std::u16string::npos ? given : given.substr(slash + 1);
  const std::u16string extension = ExtensionOf(name);
  std::u16string typeName = FileTypeName(name);
  if (typeName.empty()) typeName = extension;
  // Pairs of description and pattern, each ended by a NUL, the list by two.
  std::u16string filter = typeName + u'\0' + u"*" + extension + u'\0' + u"모든 파일" + u'\0' + u"*.*" + u'\0' + u'\0';

  wchar_t path[MAX_PATH] = {};
  const size_t n = std::min(given.size(), static_cast<size_t>(MAX_PATH - 1));
  std::copy_n(reinterpret_cast<const wchar_t*>(given.data()), n, path);
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = W(filter);
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return std::nullopt;
  return SaveAsName(U(path), name, ofn.nFilterIndex == 1);
}

}  // namespace vard::ui
