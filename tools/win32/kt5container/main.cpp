// kt5container: hosts the registered control in a window, as a page does,
// and runs a control script against it (see README.md).
#include <windows.h>
#include <ole2.h>

#include <fstream>
#include <iostream>

#include "tools/win32/kt5container/ContainerScript.h"

namespace {

vard::container::ContainerScript* g_script = nullptr;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SIZE && g_script) g_script->Control().FitToHost();
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateFrame() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &FrameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"VardKT5Container";
  RegisterClassExW(&wc);
  RECT r = {0, 0, 480, 240};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, FALSE, 0);
  return CreateWindowExW(0, wc.lpszClassName, L"VardKT5 container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                         20, 20, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::cerr << "usage: kt5container SCRIPT [PROGID]   (- reads the script from standard input)\n";
    return 2;
  }
  if (FAILED(OleInitialize(nullptr))) return 3;
  int rc = 0;
  {
    HWND frame = CreateFrame();
    vard::container::ContainerScript script(std::cout, frame);
    g_script = &script;
    const std::wstring progId = argc >= 3 ? argv[2] : L"VardKT5.KT5Ctrl";
    if (!script.Start(progId)) {
      rc = 3;
    } else if (std::wstring(argv[1]) == L"-") {
      rc = script.Run(std::cin) ? 0 : 1;
    } else {
      std::ifstream in(argv[1], std::ios::binary);
      if (!in) {
        std::wcerr << L"kt5container: cannot open " << argv[1] << L"\n";
        rc = 2;
      } else {
        rc = script.Run(in) ? 0 : 1;
      }
    }
    g_script = nullptr;
    script.Control().Close();
    DestroyWindow(frame);
  }
  OleUninitialize();
  return rc;
}
