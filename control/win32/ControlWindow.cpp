#include "control/win32/ControlWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "control/win32/Bstr.h"
#include "control/win32/ModuleState.h"

namespace vard::com {
namespace {

constexpr wchar_t kWindowClass[] = L"VardKT5ControlWindow";

ATOM RegisterWindowClass(WNDPROC proc) {
  static ATOM atom = 0;
  if (atom) return atom;
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = Module();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  atom = RegisterClassExW(&wc);
  return atom;
}

// The shell's system icon list, large or small.
HIMAGELIST SystemImageList(bool small) {
  SHFILEINFOW info = {};
  return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"C:\\", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                                                     SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX |
                                                         (small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}

}  // namespace

ControlWindow::~ControlWindow() { Destroy(); }

bool ControlWindow::Create(HWND parent, const RECT& rect) {
  if (hwnd_) return true;
  if (!RegisterWindowClass(&WindowProc)) return false;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rect.left,
                  rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, Module(), this);
  return hwnd_ != nullptr;
}

void ControlWindow::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK ControlWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<ControlWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<ControlWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    if (self->published_) self->published_->window = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  const LRESULT r = self->OnMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = self->list_ = self->status_ = nullptr;
    if (self->published_) self->published_->window = nullptr;
  }
  return r;
}

LRESULT ControlWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      ctrl_.CreateControlWindow(this);
      return 0;
    case WM_DESTROY:
      ctrl_.DestroyControlWindow();
      return 0;
    case WM_SIZE:
      ctrl_.Layout();
      return 0;
    case WM_SETFOCUS:
      ctrl_.OnSetFocus();
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->idFrom == kListViewId && header->hwndFrom == list_) return OnListNotify(header);
      break;
    }
    case WM_CONTEXTMENU: {
      int32_t x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
      if (x == -1 && y == -1) {
        // From the keyboard: at the focused row, else the list's corner.
        RECT r = {};
        const int focused = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        if (focused < 0 || !ListView_GetItemRect(list_, focused, &r, LVIR_LABEL)) r = RECT{};
        POINT p = {r.left, r.bottom};
        ClientToScreen(list_, &p);
        x = p.x;
        y = p.y;
      }
      ctrl_.OnContextMenu(x, y);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wp) == 0 && lp == 0) ctrl_.OnCommand(LOWORD(wp));
      return 0;
    case kChildDialogEndMessage:
      ctrl_.OnChildDialogEnd(static_cast<int>(wp));
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT ControlWindow::OnListNotify(NMHDR* header) {
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      if (!model_) return 0;
      if (item.mask & LVIF_TEXT) {
        cell_ = model_->CellText(item.iItem, item.iSubItem);
        if (item.pszText && item.cchTextMax > 0) {
          const size_t n = std::min(cell_.size(), static_cast<size_t>(item.cchTextMax - 1));
          std::copy_n(reinterpret_cast<const wchar_t*>(cell_.data()), n, item.pszText);
          item.pszText[n] = 0;
        }
      }
      if (item.mask & LVIF_IMAGE) item.iImage = model_->RowIcon(item.iItem);
      return 0;
    }
    case LVN_GETINFOTIPW: {
      auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
      if (!model_ || !tip->pszText || tip->cchTextMax <= 0) return 0;
      const std::u16string text = model_->CellText(tip->iItem, 0) + u" ";
      const size_t n = std::min(text.size(), static_cast<size_t>(tip->cchTextMax - 1));
      std::copy_n(reinterpret_cast<const wchar_t*>(text.data()), n, tip->pszText);
      tip->pszText[n] = 0;
      return 0;
    }
    case NM_CUSTOMDRAW: {
      // Every item and sub-item is asked for, and drawn the default way.
      const DWORD stage = reinterpret_cast<NMLVCUSTOMDRAW*>(header)->nmcd.dwDrawStage;
      if (stage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (stage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
      return CDRF_DODEFAULT;
    }
    case NM_CLICK:
      ctrl_.OnListClick(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
      return 0;
    case NM_DBLCLK:
      ctrl_.OnListDoubleClick(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
      return 0;
    case LVN_BEGINDRAG:
      ctrl_.OnBeginDrag();
      return 0;
    default: return 0;
  }
}

// ---- the presenter's view ----

int32_t ControlWindow::ClientWidth() {
  RECT r = {};
  GetClientRect(hwnd_, &r);
  return r.right;
}

int32_t ControlWindow::ClientHeight() {
  RECT r = {};
  GetClientRect(hwnd_, &r);
  return r.bottom;
}

int32_t ControlWindow::VerticalScrollBarWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

void ControlWindow::CreateListView(const DownloadList& list) {
  model_ = &list;
  RECT r = {};
  GetClientRect(hwnd_, &r);
  list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | LVS_REPORT | LVS_SHOWSELALWAYS |
                              LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                          0, 0, r.right, r.bottom, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListViewId)),
                          Module(), nullptr);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  ListView_SetImageList(list_, SystemImageList(false), LVSIL_NORMAL);
  ListView_SetImageList(list_, SystemImageList(true), LVSIL_SMALL);
}

void ControlWindow::InsertColumn(int32_t index, const std::u16string& title, int32_t width, bool rightAligned) {
  std::u16string text = title;
  LVCOLUMNW column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  column.fmt = rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(Wide(text));
  column.iSubItem = index;
  ListView_InsertColumn(list_, index, &column);
}

int32_t ControlWindow::ColumnCount() { return Header_GetItemCount(ListView_GetHeader(list_)); }

int32_t ControlWindow::ColumnWidth(int32_t index) { return ListView_GetColumnWidth(list_, index); }

void ControlWindow::SetColumnWidth(int32_t index, int32_t width) {
  ListView_SetColumnWidth(list_, index, static_cast<uint16_t>(width));
}

void ControlWindow::SetViewMode(ListViewMode mode) {
  DWORD type = LVS_REPORT;
  switch (mode) {
    case ListViewMode::kIcon: type = LVS_ICON; break;
    case ListViewMode::kSmallIcon: type = LVS_SMALLICON; break;
    case ListViewMode::kList: type = LVS_LIST; break;
    case ListViewMode::kReport: break;
  }
  const LONG_PTR style = GetWindowLongPtrW(list_, GWL_STYLE);
  if ((style & LVS_TYPEMASK) != static_cast<LONG_PTR>(type))
    SetWindowLongPtrW(list_, GWL_STYLE, (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | type);
}

void ControlWindow::SetItemCount(int32_t rows) {
  ListView_SetItemCountEx(list_, rows, LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, TRUE);
}

void ControlWindow::PlaceListView(int32_t x, int32_t y, int32_t width, int32_t height) {
  MoveWindow(list_, x, y, width, height, TRUE);
}

std::vector<int32_t> ControlWindow::SelectedRows() {
  std::vector<int32_t> rows;
  if (!list_) return rows;
  for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
    rows.push_back(i);
  return rows;
}

void ControlWindow::SetSelectedRows(const std::vector<int32_t>& rows) {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
  for (int32_t row : rows) ListView_SetItemState(list_, row, LVIS_SELECTED, LVIS_SELECTED);
}

void ControlWindow::CreateStatusBar() {
  status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CCS_BOTTOM, 0, 0, 0, 0, hwnd_,
                            nullptr, Module(), nullptr);
  RECT r = {};
  GetWindowRect(status_, &r);
  // The bar's own height, kept: a hidden bar is placed with height 0.
  statusHeight_ = r.bottom - r.top;
  SetWindowPos(status_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ControlWindow::PlaceStatusBar(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (status_) MoveWindow(status_, x, y, width, height, TRUE);
  if (list_) SetWindowPos(list_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ControlWindow::SetStatusParts(int32_t firstEnd, int32_t secondEnd) {
  int parts[2] = {firstEnd, secondEnd};
  SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

void ControlWindow::SetStatusText(int32_t part, const std::u16string& text) {
  SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(Wide(text)));
}

bool ControlWindow::FocusIsOnChild() {
  const HWND focus = GetFocus();
  return focus && IsChild(hwnd_, focus);
}

void ControlWindow::FocusList() { SetFocus(list_); }

uint16_t ControlWindow::TrackPopupMenu(const std::vector<ContextMenuEntry>& entries, int32_t x, int32_t y) {
  HMENU menu = CreatePopupMenu();
  for (const ContextMenuEntry& e : entries) {
    if (e.separator) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else AppendMenuW(menu, MF_STRING | (e.grayed ? MF_GRAYED : 0), e.id, Wide(e.text));
  }
  const BOOL chosen = ::TrackPopupMenu(menu, TPM_LEFTBUTTON | TPM_RETURNCMD, x, y, 0, hwnd_, nullptr);
  DestroyMenu(menu);
  return static_cast<uint16_t>(chosen);
}

void ControlWindow::MessageBox(const std::u16string& text, const std::u16string& caption) {
  ::MessageBoxW(hwnd_, Wide(text), Wide(caption), MB_OK | MB_ICONINFORMATION);
}

}  // namespace vard::com
