#include "control/win32/FolderBrowser.h"

#include <shlobj.h>

#include "common/platform/Registry.h"
#include "control/FolderSettings.h"
#include "control/win32/Bstr.h"

namespace vard::com {
namespace {

constexpr char16_t kTitle[] = u"폴더를 선택해 주십시오.";
constexpr char16_t kNoPath[] = u"VardKT_FolderSelect_Error";

int CALLBACK SelectInitial(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

std::optional<std::u16string> FolderBrowser::SelectFolder() {
  FolderSettings settings(platform::SystemRegistry());
  const std::optional<std::u16string> initial = settings.LastSelectedFolder();
  BROWSEINFOW info = {};
  info.hwndOwner = owner_ ? owner_->window : nullptr;
  info.lpszTitle = Wide(kTitle);
  info.ulFlags = BIF_NEWDIALOGSTYLE;
  info.lpfn = &SelectInitial;
  info.lParam = initial ? reinterpret_cast<LPARAM>(Wide(*initial)) : 0;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (!item) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool hasPath = SHGetPathFromIDListW(item, path) && path[0];
  CoTaskMemFree(item);
  if (!hasPath) return std::u16string(kNoPath);
  std::u16string chosen = FromWide(path);
  if (chosen.back() != u'\\') chosen += u'\\';
  return chosen;
}

}  // namespace vard::com
