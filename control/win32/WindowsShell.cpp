#include "control/win32/WindowsShell.h"

#include <shellapi.h>

#include "common/platform/CodePage.h"
#include "control/DragOutData.h"
#include "control/services/MissingServices.h"
#include "control/win32/Bstr.h"
#include "control/win32/DropDataObject.h"
#include "control/win32/ModuleState.h"

namespace vard::com {
namespace {

constexpr UINT kMarkerFound = WM_APP + 1;
constexpr wchar_t kMessageClass[] = L"VardKT5DropNotify";

LRESULT CALLBACK MessageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kMarkerFound) {
    std::unique_ptr<std::wstring> path(reinterpret_cast<std::wstring*>(lp));
    if (auto* shell = reinterpret_cast<WindowsShell*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
      shell->OnMarkerCopy(*path);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring s = text ? text : L"";
  LocalFree(text);
  while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r')) s.pop_back();
  return s;
}

}  // namespace

WindowsShell::~WindowsShell() {
  watcher_.reset();
  if (messages_) DestroyWindow(messages_);
}

int32_t WindowsShell::IconIndex(const std::u16string& name, bool directory) {
  SHFILEINFOW info = {};
  if (!SHGetFileInfoW(Wide(name), directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                      SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    return 0;
  return info.iIcon;
}

bool WindowsShell::EnsureWatching(const std::wstring& markerPath) {
  if (!messages_) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MessageProc;
    wc.hInstance = Module();
    wc.lpszClassName = kMessageClass;
    RegisterClassExW(&wc);
    messages_ = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Module(), nullptr);
    if (!messages_) return false;
    SetWindowLongPtrW(messages_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  if (!watcher_) {
    HWND target = messages_;
    // The watcher's thread only posts; the control's thread does the rest.
    watcher_ = std::make_unique<DropFolderWatcher>(markerPath, [target](const std::wstring& path) {
      auto* copy = new std::wstring(path);
      if (!PostMessageW(target, kMarkerFound, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
    });
    if (!watcher_->Start()) {
      watcher_.reset();
      return false;
    }
  }
  return true;
}

void WindowsShell::DragOut(std::function<void(const std::u16string& folder)> droppedInto) {
  const std::u16string marker = CreateDropMarker();
  if (marker.empty()) {
    if (debug_) debug_(u"VardKT5: the drop marker file cannot be made; no drag");
    return;
  }
  droppedInto_ = std::move(droppedInto);
  if (!EnsureWatching(Wide(marker)) && debug_) debug_(u"VardKT5: no drive can be watched for the drop");
  auto* data = new DropDataObject(platform::Utf16ToAnsi(marker));
  auto* source = new DropSource();
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(data, source, DROPEFFECT_COPY, &effect);
  source->Release();
  data->Release();
}

void WindowsShell::OnMarkerCopy(const std::wstring& path) {
  // The shell may still hold the copy it just made.
  clock_.Sleep(10);
  if (!DeleteFileW(path.c_str())) {
    const DWORD error = GetLastError();
    MessageBoxW(nullptr, path.c_str(), L"", MB_OK);
    MessageBoxW(nullptr, SystemErrorText(error).c_str(), L"Error", MB_OK);
  }
  const size_t slash = path.find_last_of(L'\\');
  if (droppedInto_ && slash != std::wstring::npos) droppedInto_(FromWide(path.substr(0, slash).c_str()));
}

}  // namespace vard::com
