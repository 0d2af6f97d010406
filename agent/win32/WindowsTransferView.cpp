#include "agent/win32/WindowsTransferView.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "agent/views/ControlIds.h"
#include "agent/views/MainFrame.h"
#include "agent/views/MainView.h"
#include "agent/win32/AgentResources.h"
#include "common/platform/win32/EventLoopImpl.h"
#include "common/respack/LanguageStore.h"
#include "common/ui/win32/SaveFileChooser.h"

namespace vard::agentwin {
namespace {

namespace id = view_id;

constexpr int kMovedButtons[] = {id::kSelectAll, id::kRemove, id::kMoveUp, id::kMoveDown,
                                 id::kStart,     id::kPause,  id::kClose,  id::kChangeFolder};
constexpr uint32_t kFirstColumnTitle = 201;
constexpr uint32_t kFlushTimer = 0x6200;

COLORREF BarColour(AgentMode mode) { return mode == AgentMode::kUpload ? RGB(185, 42, 89) : RGB(66, 91, 215); }

bool IsCheckable(HWND button) {
  const LONG_PTR type = ::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON;
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = ::CreateSolidBrush(colour);
  ::FillRect(dc, &r, brush);
  ::DeleteObject(brush);
}

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

WindowsTransferView::WindowsTransferView(CMainFrame& frame)
    : frame_(frame),
      view_(frame.View()),
      main_(reinterpret_cast<HWND>(frame.MainHandle())),
      viewHwnd_(reinterpret_cast<HWND>(frame.ViewHandle())),
      self_(std::make_shared<WindowsTransferView*>(this)) {
  BuildForm();
  // Tab, Enter and Escape in the open dialogs and the form.
  std::weak_ptr<WindowsTransferView*> self = self_;
  frame.Loop().Internals().preTranslate.push_back([self](MSG& msg) {
    auto alive = self.lock();
    if (!alive) return false;
    WindowsTransferView& v = **alive;
    for (auto& d : v.dialogs_)
      if (d->Handle() && ::IsDialogMessageW(d->Handle(), &msg)) return true;
    return false;
  });
}

WindowsTransferView::~WindowsTransferView() {
  if (flushPending_) frame_.Loop().KillTimer(kFlushTimer);
  self_.reset();
  dialogs_.clear();
  if (main_ && ::IsWindow(main_)) ::EnableWindow(main_, TRUE);
  for (auto& [controlId, button] : moved_)
    if (::IsWindow(button)) ::DestroyWindow(button);
  if (form_ && ::IsWindow(form_)) ::DestroyWindow(form_);
  if (barFont_) ::DeleteObject(barFont_);
}

// --- building ---------------------------------------------------------------

void WindowsTransferView::BuildForm() {
  const uint32_t formId = view_.Mode() == AgentMode::kUpload ? id::kUploadForm : id::kDownloadForm;
  std::vector<uint8_t> tpl = DialogTemplateBytes(formId);
  if (tpl.empty()) return;
  ::CreateDialogIndirectParamW(ProgramModule(), reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), viewHwnd_,
                               &FormProc, reinterpret_cast<LPARAM>(this));
  if (!form_) return;
  RECT r;
  ::GetWindowRect(form_, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(form_, HWND_TOP, 0, 0, w, h, SWP_NOACTIVATE);
  ::SetWindowPos(viewHwnd_, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  // The main window's client area is the form.
  RECT frameRect{0, 0, w, h};
  ::AdjustWindowRectEx(&frameRect, static_cast<DWORD>(::GetWindowLongPtrW(main_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(main_, GWL_EXSTYLE)));
  ::SetWindowPos(main_, nullptr, 0, 0, frameRect.right - frameRect.left, frameRect.bottom - frameRect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(form_, SW_SHOW);
  ::SendDlgItemMessageW(form_, id::kProgress, PBM_SETRANGE32, 0, id::kProgressRange);
  BuildList();
  MoveButtonsToFrame();
  RecordLayout();
  // The bar's text: 11 pixels, light, in the Hangul face.
  barFont_ = ::CreateFontW(-11, 0, 0, 0, 100, FALSE, FALSE, FALSE, HANGUL_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"\xAD74\xB9BC");
}

void WindowsTransferView::BuildList() {
  HWND placeholder = ::GetDlgItem(form_, id::kList);
  if (!placeholder) return;
  RECT r;
  ::GetWindowRect(placeholder, &r);
  ::MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
  list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_NOPARENTNOTIFY, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP | LVS_REPORT |
                                LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                            r.left, r.top, r.right - r.left, r.bottom - r.top, form_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), ProgramModule(), nullptr);
  ::SetWindowPos(placeholder, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
  if (!list_) return;
  ::SendMessageW(list_, WM_SETFONT, ::SendMessageW(form_, WM_GETFONT, 0, 0), FALSE);
  // Double buffered: a row's redraw does not flicker.
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  SHFILEINFOW info{};
  const auto small = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(
      L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (small) ListView_SetImageList(list_, small, LVSIL_SMALL);
  const int width = r.right - r.left;
  const int widths[] = {std::max(40, width - ::GetSystemMetrics(SM_CXVSCROLL) - 165), 0, 80, 75};
  const int formats[] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  for (int c = 0; c < 4; ++c) {
    std::u16string title = LanguageStore::Instance().Text(kFirstColumnTitle + static_cast<uint32_t>(c));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = formats[c];
    column.cx = widths[c];
    column.pszText = const_cast<wchar_t*>(Wide(title));
    column.iSubItem = c;
    ListView_InsertColumn(list_, c, &column);
  }
  ListView_SetItemCountEx(list_, static_cast<int>(view_.Entries().size()), LVSICF_NOSCROLL);
}

void WindowsTransferView::MoveButtonsToFrame() {
  for (int controlId : kMovedButtons) {
    HWND button = ::GetDlgItem(form_, controlId);
    if (!button) continue;
    RECT r;
    ::GetWindowRect(button, &r);
    ::MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&r), 2);
    ::SetParent(button, main_);
    ::SetWindowPos(button, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    moved_[controlId] = button;
  }
}

void WindowsTransferView::RecordLayout() {
  if (!list_) return;
  // The form and the view sit at the main window's client origin.
  if (!::GetWindowRect(list_, &listRect_)) return;
  ::MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&listRect_), 2);
  for (const auto& [controlId, button] : moved_) {
    RECT r;
    if (!::GetWindowRect(button, &r)) return;
    ::MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&r), 2);
    buttonRects_[controlId] = r;
  }
  layoutKnown_ = true;
}

int WindowsTransferView::FitToRows(size_t rows) {
  if (!layoutKnown_ || rows == 0) return 0;
  RECT row{}, client{}, header{};
  if (!ListView_GetItemRect(list_, 0, &row, LVIR_BOUNDS) || !::GetClientRect(list_, &client)) return 0;
  HWND headerWnd = ListView_GetHeader(list_);
  if (headerWnd) ::GetWindowRect(headerWnd, &header);
  const int available = client.bottom - (header.bottom - header.top);
  // Room for a horizontal scroll bar and a little air below the last row.
  const int64_t needed = static_cast<int64_t>(rows) * (row.bottom - row.top) + ::GetSystemMetrics(SM_CXHSCROLL) + 10;
  if (needed >= available) return 0;
  const int delta = available - static_cast<int>(needed);
  // The list gives up its spare rows; what sits below it moves up.
  const RECT& l = listRect_;
  ::SetWindowPos(list_, nullptr, 0, 0, l.right - l.left, l.bottom - l.top - delta,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const auto& [controlId, r] : buttonRects_) {
    if (r.top < l.bottom) continue;  // beside the list
    ::SetWindowPos(moved_[controlId], nullptr, r.left, r.top - delta, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // A hidden check box of the form may sit below the list too.
  for (HWND child = ::GetWindow(form_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    if (child == list_ || !::GetWindowRect(child, &r)) continue;
    ::MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
    if (r.top >= l.bottom)
      ::SetWindowPos(child, nullptr, r.left, r.top - delta, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (HWND w : {form_, viewHwnd_}) {
    RECT r;
    ::GetWindowRect(w, &r);
    ::SetWindowPos(w, nullptr, 0, 0, r.right - r.left, r.bottom - r.top - delta,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return delta;
}

HWND WindowsTransferView::Control(int controlId) const {
  if (auto it = moved_.find(controlId); it != moved_.end()) return it->second;
  return form_ ? ::GetDlgItem(form_, controlId) : nullptr;
}

HWND WindowsTransferView::Owner() const {
  HWND top = ::GetLastActivePopup(main_);
  return top && ::IsWindowVisible(top) ? top : main_;
}

// --- form messages ----------------------------------------------------------

INT_PTR CALLBACK WindowsTransferView::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<WindowsTransferView*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<WindowsTransferView*>(lp);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    self->form_ = hwnd;
    return FALSE;
  }
  return self ? self->OnFormMessage(msg, wp, lp) : FALSE;
}

INT_PTR WindowsTransferView::OnFormMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      // The check boxes and radio buttons that stay on the form.
      if (HIWORD(wp) == BN_CLICKED && lp) view_.OnCommand(LOWORD(wp));
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->hwndFrom != list_) return FALSE;
      // Each row drawn asks several times; setting the same answer again
      // costs a round trip to the window server under Wine.
      const LRESULT result = OnListNotify(header);
      if (::GetWindowLongPtrW(form_, DWLP_MSGRESULT) != result) ::SetWindowLongPtrW(form_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_NCDESTROY:
      form_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

LRESULT WindowsTransferView::OnListNotify(NMHDR* header) {
  const auto& entries = view_.Entries();
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= entries.size()) return 0;
      CInternetThreadBase::TransferGuard lock(view_.Worker().TransferLock());
      const UPLOAD_INFO& entry = *entries[static_cast<size_t>(item.iItem)];
      if (item.mask & LVIF_IMAGE) item.iImage = entry.Icon(item.iSubItem);
      if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        cell_ = entry.Text(item.iSubItem);
        drawn_[{static_cast<size_t>(item.iItem), item.iSubItem}] = CellKey(entry, item.iSubItem);
        const size_t n = std::min(cell_.size(), static_cast<size_t>(item.cchTextMax - 1));
        std::copy_n(reinterpret_cast<const wchar_t*>(cell_.data()), n, item.pszText);
        item.pszText[n] = 0;
      }
      return 0;
    }
    case NM_DBLCLK: {
      const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
      if (row >= 0) view_.OnDoubleClick(static_cast<size_t>(row));
      return 0;
    }
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (syncingSelection_ || !(change->uChanged & LVIF_STATE)) return 0;
      if (((change->uOldState ^ change->uNewState) & LVIS_SELECTED) == 0) return 0;
      const bool selected = (change->uNewState & LVIS_SELECTED) != 0;
      syncingSelection_ = true;
      if (change->iItem < 0) {
        for (size_t i = 0; i < entries.size(); ++i) view_.SetSelected(i, selected);
      } else {
        view_.SetSelected(static_cast<size_t>(change->iItem), selected);
      }
      syncingSelection_ = false;
      return 0;
    }
    case LVN_ODSTATECHANGED: {
      auto* change = reinterpret_cast<NMLVODSTATECHANGE*>(header);
      if (syncingSelection_) return 0;
      syncingSelection_ = true;
      for (int i = change->iFrom; i <= change->iTo && i >= 0; ++i)
        view_.SetSelected(static_cast<size_t>(i), (change->uNewState & LVIS_SELECTED) != 0);
      syncingSelection_ = false;
      return 0;
    }
    case LVN_KEYDOWN: {
      const WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
      if (key == VK_DELETE) {
        std::weak_ptr<WindowsTransferView*> self = self_;
        frame_.Loop().Post([self] {
          if (auto v = self.lock()) (**v).view_.DeleteSelected();
        });
      } else if (key == 'A' && (::GetKeyState(VK_CONTROL) & 0x8000)) {
        view_.OnCommand(id::kSelectAll);
      }
      return 0;
    }
    case NM_CUSTOMDRAW:
      return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    default:
      return 0;
  }
}

LRESULT WindowsTransferView::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const int row = static_cast<int>(draw->nmcd.dwItemSpec);
      if (draw->iSubItem != 3 || row < 0 || static_cast<size_t>(row) >= view_.Entries().size()) return CDRF_DODEFAULT;
      RECT cell{};
      ListView_GetSubItemRect(list_, row, 3, LVIR_BOUNDS, &cell);
      DrawProgressCell(draw->nmcd.hdc, row, cell);
      return CDRF_SKIPDEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void WindowsTransferView::DrawProgressCell(HDC dc, int row, const RECT& cell) {
  int percent;
  std::u16string text;
  {
    CInternetThreadBase::TransferGuard lock(view_.Worker().TransferLock());
    const UPLOAD_INFO& entry = *view_.Entries()[static_cast<size_t>(row)];
    percent = std::clamp(entry.Percent(3), 0, 100);
    text = entry.Text(3);
    drawn_[{static_cast<size_t>(row), 3}] = CellKey(entry, 3);
  }
  Fill(dc, cell, ::GetSysColor(COLOR_WINDOW));
  RECT frame{cell.left + 4, cell.top + 2, cell.right - 3, cell.bottom - 3};
  if (frame.right <= frame.left || frame.bottom <= frame.top) return;
  Fill(dc, frame, RGB(188, 188, 188));
  RECT inner{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
  const int split = inner.left + ::MulDiv(percent, inner.right - inner.left, 100);
  const RECT done{inner.left, inner.top, split, inner.bottom};
  const RECT rest{split, inner.top, inner.right, inner.bottom};
  Fill(dc, done, BarColour(view_.Mode()));
  Fill(dc, rest, RGB(238, 238, 238));
  HGDIOBJ oldFont = ::SelectObject(dc, barFont_ ? barFont_ : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  // White over the filled part, black over the rest.
  for (int part = 0; part < 2; ++part) {
    const RECT& clip = part == 0 ? done : rest;
    if (clip.right <= clip.left) continue;
    ::SaveDC(dc);
    ::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    ::SetTextColor(dc, part == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0));
    RECT box = inner;
    ::DrawTextW(dc, Wide(text), static_cast<int>(text.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::RestoreDC(dc, -1);
  }
  ::SelectObject(dc, oldFont);
}

// --- what the presenter changed ----------------------------------------------

void WindowsTransferView::ControlChanged(int controlId) {
  dirtyControls_.insert(controlId);
  Schedule();
}

void WindowsTransferView::RowCountChanged(size_t rows) {
  // Rows come and go rarely (a batch, a removal): at once, with every row.
  dirtyRows_.clear();
  drawn_.clear();
  dirtyAll_ = false;
  if (list_) ListView_SetItemCountEx(list_, static_cast<int>(rows), LVSICF_NOSCROLL);
}

void WindowsTransferView::RedrawRow(size_t row, uint32_t columns) {
  dirtyRows_[row] |= columns;
  Schedule();
}

void WindowsTransferView::RedrawAll() {
  dirtyAll_ = true;
  Schedule();
}

void WindowsTransferView::EnsureVisible(size_t row) {
  ensureVisible_ = row;
  Schedule();
}

void WindowsTransferView::Schedule() {
  if (flushPending_) return;
  platform::IClock& clock = frame_.Loop().Clock();
  const uint32_t since = clock.MillisecondsSince(lastFlush_);
  // A hidden window paints nothing: it takes every change at once.
  if (!flushedOnce_ || since >= kFrameMs || !::IsWindowVisible(main_)) {
    Flush();
    return;
  }
  flushPending_ = true;
  std::weak_ptr<WindowsTransferView*> self = self_;
  frame_.Loop().SetTimer(kFlushTimer, kFrameMs - since, [self] {
    auto v = self.lock();
    if (!v) return;
    WindowsTransferView& view = **v;
    view.frame_.Loop().KillTimer(kFlushTimer);
    view.flushPending_ = false;
    view.Flush();
  });
}

void WindowsTransferView::Flush() {
  lastFlush_ = frame_.Loop().Clock().TickCount();
  flushedOnce_ = true;
  for (int controlId : dirtyControls_) ApplyControl(controlId);
  dirtyControls_.clear();
  if (ensureVisible_ && list_ && *ensureVisible_ < view_.Entries().size())
    ListView_EnsureVisible(list_, static_cast<int>(*ensureVisible_), TRUE);
  ensureVisible_.reset();
  if (dirtyAll_) {
    drawn_.clear();
    if (list_) ::InvalidateRect(list_, nullptr, FALSE);
    ++invalidations_;
  } else {
    // Rows scrolled out of sight are drawn when they come back.
    const size_t top = list_ ? static_cast<size_t>(std::max(0, ListView_GetTopIndex(list_))) : 0;
    const size_t end = top + (list_ ? static_cast<size_t>(std::max(0, ListView_GetCountPerPage(list_))) + 1 : 0);
    for (const auto& [row, columns] : dirtyRows_)
      if (row >= top && row < end) InvalidateCells(row, columns);
  }
  dirtyAll_ = false;
  dirtyRows_.clear();
}

void WindowsTransferView::ApplyControl(int controlId) {
  HWND control = Control(controlId);
  if (!control) return;
  const ControlState& form = view_.Form();
  if (controlId == id::kProgress) {
    ::SendMessageW(control, PBM_SETPOS, static_cast<WPARAM>(view_.Progress()), 0);
    return;
  }
  if (form.HasText(controlId) && WindowText(control) != form.Text(controlId))
    ::SetWindowTextW(control, Wide(form.Text(controlId)));
  ::EnableWindow(control, form.Enabled(controlId));
  if (IsCheckable(control))
    ::SendMessageW(control, BM_SETCHECK, form.Checked(controlId) ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::u16string WindowsTransferView::CellKey(const UPLOAD_INFO& entry, int column) {
  std::u16string key = entry.Text(column);
  if (entry.HasBar(column)) key += static_cast<char16_t>(u'\x1' + entry.Percent(column));
  return key;
}

void WindowsTransferView::InvalidateCells(size_t row, uint32_t columns) {
  if (!list_ || row >= view_.Entries().size()) return;
  const int r = static_cast<int>(row);
  if (columns == kAllColumns) {
    RECT rect{};
    if (ListView_GetItemRect(list_, r, &rect, LVIR_BOUNDS)) {
      ::InvalidateRect(list_, &rect, FALSE);
      ++invalidations_;
    }
    return;
  }
  CInternetThreadBase::TransferGuard lock(view_.Worker().TransferLock());
  const UPLOAD_INFO& entry = *view_.Entries()[row];
  for (int c = 0; c < 4; ++c) {
    if (!(columns & ColumnBit(c))) continue;
    auto drawn = drawn_.find({row, c});
    if (drawn != drawn_.end() && drawn->second == CellKey(entry, c)) continue;
    RECT rect{};
    if (!ListView_GetSubItemRect(list_, r, c, c == 0 ? LVIR_LABEL : LVIR_BOUNDS, &rect)) continue;
    if (rect.right <= rect.left) continue;  // a hidden column
    ::InvalidateRect(list_, &rect, FALSE);
    ++invalidations_;
  }
}

void WindowsTransferView::SelectionChanged() {
  if (!list_ || syncingSelection_) return;
  syncingSelection_ = true;
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
  const size_t n = view_.Entries().size();
  for (size_t i = 0; i < n; ++i)
    if (view_.IsSelected(i)) ListView_SetItemState(list_, static_cast<int>(i), LVIS_SELECTED, LVIS_SELECTED);
  syncingSelection_ = false;
}

// --- questions ----------------------------------------------------------------

bool WindowsTransferView::AskYesNo(const std::u16string& text, const std::u16string& caption) {
  return ::MessageBoxW(Owner(), Wide(text), Wide(caption), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void WindowsTransferView::ShowMessage(const std::u16string& text, const std::u16string& caption) {
  ::MessageBoxW(Owner(), Wide(text), Wide(caption), MB_OK | MB_ICONINFORMATION);
}

void WindowsTransferView::ShowDialog(std::shared_ptr<CDialogPresenter> dialog) {
  if (dialog->TemplateId() == 0) {
    // A message: the system's box, with the presenter's text and caption.
    ShowMessage(dialog->Controls().Text(CMessagePresenter::kText), dialog->Caption());
    dialog->OnCommand(kIdOk);
    return;
  }
  auto window = PresenterDialogWindow::Open(Owner(), dialog);
  if (!window) {
    // No template: the presenter's own answer, never a silent wait.
    if (!dialog->AnswersItself()) dialog->OnCommand(dialog->DefaultButton());
    return;
  }
  if (dialog->HasEnded()) return;
  ::EnableWindow(main_, FALSE);
  dialogs_.push_back(std::move(window));
}

void WindowsTransferView::DialogChanged(const CDialogPresenter& dialog) {
  for (auto& d : dialogs_)
    if (&d->Presenter() == &dialog) d->Refresh();
}

void WindowsTransferView::DialogEnded(const CDialogPresenter& dialog) {
  auto it = std::find_if(dialogs_.begin(), dialogs_.end(), [&](const auto& d) { return &d->Presenter() == &dialog; });
  if (it == dialogs_.end()) return;
  // Its own click may be on the stack: hidden now, destroyed after it.
  std::shared_ptr<PresenterDialogWindow> ending(std::move(*it));
  dialogs_.erase(it);
  ending->Hide();
  if (dialogs_.empty()) {
    ::EnableWindow(main_, TRUE);
    ::SetActiveWindow(main_);
  }
  frame_.Loop().Post([ending] {});
}

HWND WindowsTransferView::DialogHandle() const { return dialogs_.empty() ? nullptr : dialogs_.back()->Handle(); }

std::optional<std::u16string> WindowsTransferView::BrowseFolder(const std::u16string& title,
                                                                const std::u16string& initial) {
  BROWSEINFOW info{};
  info.hwndOwner = main_;
  info.lpszTitle = Wide(title);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &BrowseCallback;
  info.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(Wide(initial));
  PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
  if (!item) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool ok = ::SHGetPathFromIDListW(item, path);
  ::CoTaskMemFree(item);
  if (!ok) return std::u16string();  // not a file-system folder
  return FromWide(path);
}

std::optional<std::u16string> WindowsTransferView::AskSavePath(const std::u16string& path) {
  return ui::ChooseSaveFile(Owner(), path);
}

}  // namespace vard::agentwin
