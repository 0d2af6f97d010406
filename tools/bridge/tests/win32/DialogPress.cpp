// bridge_dialog_press: plays the person at a dialog of another program, as
// the bridge's Windows road needs (its dialogs belong to the host, which
// the test only reaches through its pipe).
//   bridge_dialog_press ID SECONDS [COUNT]
// COUNT times (once by default): waits (up to SECONDS) for a shown dialog
// with an enabled button ID, presses it, waits until that button takes no
// more presses (its dialog gone, or the button disabled), and prints the
// dialog's title. So one press never lands twice on the same question.
// COUNT 0 only waits for such a dialog and prints its title.
// Exit code 0 when all were pressed, 1 when a dialog did not come or kept
// its button, 2 on bad usage.
#include <windows.h>

#include <algorithm>
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

bool TakesPresses(HWND button) {
  wchar_t cls[16] = {};
  GetClassNameW(button, cls, 16);
  return button && IsWindow(button) && std::wstring(cls) == L"Button" && IsWindowVisible(button) &&
         IsWindowEnabled(button) && IsWindowVisible(GetParent(button));
}

BOOL CALLBACK Look(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (!IsWindowVisible(hwnd) || std::wstring(cls) != L"#32770") return TRUE;
  if (!TakesPresses(GetDlgItem(hwnd, search->id))) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fputs("usage: bridge_dialog_press ID SECONDS [COUNT]\n", stderr);
    return 2;
  }
  Search search;
  search.id = std::atoi(argv[1]);
  const auto seconds = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  const int count = argc == 4 ? std::atoi(argv[3]) : 1;
  vard::platform::IClock& clock = vard::platform::SystemClock();
  for (int n = 0; n < std::max(count, 1); ++n) {
    const bool came = clock.WaitUntil(
        [&] {
          search.found = nullptr;
          EnumWindows(&Look, reinterpret_cast<LPARAM>(&search));
          return search.found != nullptr;
        },
        seconds * 1000, 50);
    if (!came) {
      std::fprintf(stderr, "bridge_dialog_press: no shown dialog with button %d after %u s (press %d)\n", search.id,
                   seconds, n + 1);
      return 1;
    }
    wchar_t title[256] = {};
    GetWindowTextW(search.found, title, 256);
    if (count == 0) {
      std::printf("%s\n", vard::Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(title))).c_str());
      return 0;
    }
    HWND button = GetDlgItem(search.found, search.id);
    PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(search.id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!clock.WaitUntil([&] { return !TakesPresses(button); }, seconds * 1000, 20)) {
      std::fprintf(stderr, "bridge_dialog_press: button %d still takes presses after %u s\n", search.id, seconds);
      return 1;
    }
    std::printf("%s\n", vard::Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(title))).c_str());
  }
  return 0;
}
