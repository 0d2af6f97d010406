// bridge_dialog_press: plays the person at a dialog of another program, as
// the bridge's Windows road needs (its dialogs belong to the host, which
// the test only reaches through its pipe).
//   bridge_dialog_press ID SECONDS
// Waits (up to SECONDS) for a shown dialog with an enabled button ID, presses
// it and prints the dialog's title. Exit code 0 when pressed, 1 when no such
// dialog came, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/platform/Clock.h"
#include "common/text/Utf.h"

namespace {

struct Search {
  int id = 0;
  HWND found = nullptr;
};

BOOL CALLBACK Look(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (!IsWindowVisible(hwnd) || std::wstring(cls) != L"#32770") return TRUE;
  HWND button = GetDlgItem(hwnd, search->id);
  if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: bridge_dialog_press ID SECONDS\n", stderr);
    return 2;
  }
  Search search;
  search.id = std::atoi(argv[1]);
  const auto seconds = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const bool came = vard::platform::SystemClock().WaitUntil(
      [&] {
        search.found = nullptr;
        EnumWindows(&Look, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      seconds * 1000, 50);
  if (!came) {
    std::fprintf(stderr, "bridge_dialog_press: no shown dialog with button %d after %u s\n", search.id, seconds);
    return 1;
  }
  wchar_t title[256] = {};
  GetWindowTextW(search.found, title, 256);
  HWND button = GetDlgItem(search.found, search.id);
  PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(search.id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  std::printf("%s\n", vard::Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(title))).c_str());
  return 0;
}
