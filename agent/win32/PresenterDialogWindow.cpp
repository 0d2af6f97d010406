#include "agent/win32/PresenterDialogWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "agent/settings/AgentSettings.h"
#include "agent/views/AskSaveAsDlgs.h"
#include "agent/views/CloseConfirm.h"
#include "agent/views/ConfigDlg.h"
#include "agent/win32/AgentResources.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Shell.h"

namespace vard::agentwin {
namespace {

bool IsClass(HWND hwnd, const wchar_t* name) {
  wchar_t cls[32] = {};
  ::GetClassNameW(hwnd, cls, 32);
  return ::lstrcmpiW(cls, name) == 0;
}

bool IsCheckable(HWND button) {
  const LONG_PTR type = ::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
         type == BS_3STATE || type == BS_AUTO3STATE;
}

void CentreOver(HWND hwnd, HWND owner) {
  RECT area;
  if (!owner || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &area))
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT r;
  ::GetWindowRect(hwnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

std::unique_ptr<PresenterDialogWindow> PresenterDialogWindow::Open(HWND owner,
                                                                   std::shared_ptr<CDialogPresenter> dialog) {
  std::unique_ptr<PresenterDialogWindow> window(new PresenterDialogWindow(owner, std::move(dialog)));
  std::vector<uint8_t> tpl = DialogTemplateBytes(window->dialog_->TemplateId());
  if (tpl.empty()) return nullptr;
  ::CreateDialogIndirectParamW(ProgramModule(), reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner, &Proc,
                               reinterpret_cast<LPARAM>(window.get()));
  if (!window->hwnd_) return nullptr;
  return window;
}

PresenterDialogWindow::PresenterDialogWindow(HWND owner, std::shared_ptr<CDialogPresenter> dialog)
    : owner_(owner), dialog_(std::move(dialog)) {}

PresenterDialogWindow::~PresenterDialogWindow() {
  if (hwnd_) {
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(hwnd_);
  }
  if (fileIcon_) ::DestroyIcon(fileIcon_);
}

INT_PTR CALLBACK PresenterDialogWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<PresenterDialogWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<PresenterDialogWindow*>(lp);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
  }
  return self ? self->OnMessage(msg, wp, lp) : FALSE;
}

INT_PTR PresenterDialogWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      Init();
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return TRUE;
    case WM_CLOSE:
      // The system close.
      if (!dialog_->HasEnded()) dialog_->Cancel();
      return TRUE;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void PresenterDialogWindow::Init() {
  // The retry choices are "1" to "99"; the index is the value - 1.
  for (int id : {CConfigDlgBase::kRetrySeconds, CConfigDlgBase::kRetryCount}) {
    HWND combo = ::GetDlgItem(hwnd_, id);
    if (!combo || !IsClass(combo, L"ComboBox")) continue;
    for (uint32_t v = kRetryMin; v <= kRetryMax; ++v)
      ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(v).c_str()));
  }
  if (dynamic_cast<CCloseConfirm*>(dialog_.get()))
    ::SendDlgItemMessageW(hwnd_, 1006, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_INFORMATION)), 0);
  if (auto* question = dynamic_cast<const CAskSaveAsBase*>(dialog_.get())) ShowFileIcon(question->FilePath());
  if (!dialog_->Caption().empty() && WindowText(hwnd_).empty()) ::SetWindowTextW(hwnd_, Wide(dialog_->Caption()));
  Refresh();
  CentreOver(hwnd_, owner_);
  ::ShowWindow(hwnd_, SW_SHOW);
}

void PresenterDialogWindow::ShowFileIcon(const std::u16string& path) {
  // The system image list's large icons; the list rows use its small ones.
  SHFILEINFOW info{};
  const auto large = reinterpret_cast<HIMAGELIST>(
      ::SHGetFileInfoW(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
  if (!large) return;
  fileIcon_ = ::ImageList_GetIcon(large, platform::ShellIconIndex(path, platform::attribute::kNormal), ILD_NORMAL);
  if (fileIcon_)
    ::SendDlgItemMessageW(hwnd_, CAskSaveAsBase::kIcon, STM_SETICON, reinterpret_cast<WPARAM>(fileIcon_), 0);
}

void PresenterDialogWindow::Refresh() {
  if (!hwnd_) return;
  refreshing_ = true;
  const ControlState& c = dialog_->Controls();
  for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const int id = ::GetDlgCtrlID(child);
    if (id <= 0) continue;
    if (c.HasText(id) && WindowText(child) != c.Text(id)) ::SetWindowTextW(child, Wide(c.Text(id)));
    ::EnableWindow(child, c.Enabled(id));
    if (!c.Visible(id)) ::ShowWindow(child, SW_HIDE);
    if (IsClass(child, L"Button") && IsCheckable(child))
      ::SendMessageW(child, BM_SETCHECK, c.Checked(id) ? BST_CHECKED : BST_UNCHECKED, 0);
    if (IsClass(child, L"ComboBox") && c.Selection(id) >= 0)
      ::SendMessageW(child, CB_SETCURSEL, static_cast<WPARAM>(c.Selection(id)), 0);
  }
  refreshing_ = false;
}

void PresenterDialogWindow::Hide() {
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void PresenterDialogWindow::OnCommand(int id, int code, HWND control) {
  if (refreshing_ || dialog_->HasEnded()) return;
  // Keep the presenter alive through its own end.
  std::shared_ptr<CDialogPresenter> dialog = dialog_;
  if (!control) {
    // Enter and Escape: Escape is the system close; Enter the default push button.
    if (id == IDCANCEL) {
      dialog->Cancel();
      return;
    }
    if (!::GetDlgItem(hwnd_, id)) return;
    dialog->OnCommand(id);
  } else if (IsClass(control, L"ComboBox")) {
    if (code != CBN_SELCHANGE) return;
    dialog->OnSelect(id, static_cast<int>(::SendMessageW(control, CB_GETCURSEL, 0, 0)));
  } else if (IsClass(control, L"Edit")) {
    if (code != EN_CHANGE) return;
    const std::u16string typed = WindowText(control);
    const std::u16string kept = dialog->OnEditChange(id, typed);
    if (kept != typed) {
      // A refused character goes again; the caret stays at the end.
      refreshing_ = true;
      ::SetWindowTextW(control, Wide(kept));
      ::SendMessageW(control, EM_SETSEL, kept.size(), kept.size());
      refreshing_ = false;
    }
    return;
  } else {
    if (code != BN_CLICKED) return;
    dialog->OnCommand(id);
  }
  if (!dialog->HasEnded()) Refresh();
}

}  // namespace vard::agentwin
