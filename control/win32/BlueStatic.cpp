#include "control/win32/BlueStatic.h"

#include <commctrl.h>

#include <string>

namespace vard::com {
namespace {

constexpr UINT_PTR kSubclassId = 212;

struct Label {
  HFONT underlined = nullptr;
};

void Draw(HWND hwnd, HDC target, const Label& label) {
  RECT r = {};
  GetClientRect(hwnd, &r);
  const int w = r.right, h = r.bottom;
  if (w <= 0 || h <= 0) return;
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, w, h);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  HGDIOBJ oldFont = label.underlined ? SelectObject(dc, label.underlined) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kBlueText);
  DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS);
  if (oldFont) SelectObject(dc, oldFont);
  BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* label = reinterpret_cast<Label*>(data);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      Draw(hwnd, dc, *label);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Draw(hwnd, reinterpret_cast<HDC>(wp), *label);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_SETTEXT: {
      const LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &LabelProc, kSubclassId);
      if (label->underlined) DeleteObject(label->underlined);
      delete label;
      break;
    default: break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

bool MakeBlueStatic(HWND labelWindow) {
  if (!labelWindow) return false;
  auto* label = new Label;
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(GetParent(labelWindow), WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (font && GetObjectW(font, sizeof lf, &lf)) {
    lf.lfUnderline = TRUE;
    label->underlined = CreateFontIndirectW(&lf);
  }
  if (!SetWindowSubclass(labelWindow, &LabelProc, kSubclassId, reinterpret_cast<DWORD_PTR>(label))) {
    if (label->underlined) DeleteObject(label->underlined);
    delete label;
    return false;
  }
  InvalidateRect(labelWindow, nullptr, FALSE);
  return true;
}

}  // namespace vard::com
