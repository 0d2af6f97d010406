#include "tools/win32/kt5container/Screenshot.h"

#include <cstdio>
#include <vector>

namespace vard::container {
namespace {

struct Gather {
  RECT area;
  DWORD thread;
};

BOOL CALLBACK AddPopup(HWND hwnd, LPARAM lp) {
  auto* g = reinterpret_cast<Gather*>(lp);
  if (!IsWindowVisible(hwnd) || GetWindowThreadProcessId(hwnd, nullptr) != g->thread) return TRUE;
  RECT r = {};
  GetWindowRect(hwnd, &r);
  UnionRect(&g->area, &g->area, &r);
  return TRUE;
}

}  // namespace

bool SaveScreenArea(const RECT& rect, const std::wstring& path) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  if (ok) {
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    FILE* out = _wfopen(path.c_str(), L"wb");
    ok = out && fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
         fwrite(bits, size, 1, out) == 1;
    if (out) fclose(out);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool SaveWindowShot(HWND window, const std::wstring& path) {
  Gather g = {};
  GetWindowRect(window, &g.area);
  g.thread = GetWindowThreadProcessId(window, nullptr);
  EnumWindows(&AddPopup, reinterpret_cast<LPARAM>(&g));
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  IntersectRect(&g.area, &g.area, &screen);
  return SaveScreenArea(g.area, path);
}

}  // namespace vard::container
