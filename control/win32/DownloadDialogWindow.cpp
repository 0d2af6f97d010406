#include "control/win32/DownloadDialogWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "common/platform/FileSystem.h"
#include "common/platform/LocalTimeText.h"
#include "common/respack/DialogCaption.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"
#include "common/ui/win32/SaveFileChooser.h"
#include "control/CKT5Ctrl.h"
#include "control/win32/BlueStatic.h"
#include "control/win32/Bstr.h"
#include "control/win32/DialogTemplateStyle.h"
#include "control/win32/ModuleState.h"

namespace vard::com {
namespace {

constexpr UINT kRunPosted = WM_APP + 7;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 500;
constexpr uint32_t kColumnTexts[] = {101, 102, 103};  // name, size, status
constexpr int kColumnWidths[] = {220, 110, 70};
constexpr int kColumnFormats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
// A column first fits its header text and this much room.
constexpr int kHeaderMargin = 15;

// Controls of the existing-file question.
namespace exists {
constexpr int kIcon = 207, kQuestion = 208, kExistingSize = 210, kExistingTime = 212, kNewSize = 211;
constexpr int kApplyToAll = 206;
}

// The existing file's last write in local time, as people read it.
std::u16string LastWriteText(const std::u16string& path) {
  const int64_t seconds = platform::FileWriteTime(path);
  return seconds < 0 ? std::u16string() : platform::LongDateAndTime(platform::LocalCalendarTime(seconds));
}

// Into a buffer of `capacity` units, cut to fit, always terminated.
void CopyBounded(const std::u16string& text, wchar_t* buffer, int capacity) {
  const size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
  std::copy_n(reinterpret_cast<const wchar_t*>(text.data()), n, buffer);
  buffer[n] = 0;
}

int CALLBACK SelectInitialFolder(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

RECT ItemRect(HWND dialog, int id) {
  RECT r = {};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Without resume its button goes, and Overwrite, Save As and Cancel are
// centred in the dialog, as far apart as Overwrite and Resume were.
void LayOutWithoutResume(HWND dialog) {
  const RECT overwrite = ItemRect(dialog, existing_file::kOverwrite), resume = ItemRect(dialog, existing_file::kResume);
  const int gap = resume.left - overwrite.right;
  ShowWindow(GetDlgItem(dialog, existing_file::kResume), SW_HIDE);
  const int ids[] = {existing_file::kOverwrite, existing_file::kSaveAs, IDCANCEL};
  int total = 0;
  for (int id : ids) total += ItemRect(dialog, id).right - ItemRect(dialog, id).left;
  total += 2 * gap;
  RECT client = {};
  GetClientRect(dialog, &client);
  int x = (client.right - total) / 2;
  for (int id : ids) {
    const RECT r = ItemRect(dialog, id);
    SetWindowPos(GetDlgItem(dialog, id), nullptr, x, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    x += r.right - r.left + gap;
  }
}

void FillTemplateText(HWND dialog, int id, const std::u16string& value) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  SetDlgItemTextW(dialog, id, Wide(FormatText(FromWide(text), {value})));
}

struct DuplicateContext {
  const DuplicatePrompt* prompt;
  DuplicateAnswer answer;
  HICON icon = nullptr;
};

INT_PTR CALLBACK DuplicateProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* c = reinterpret_cast<DuplicateContext*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      c = reinterpret_cast<DuplicateContext*>(lp);
      SetWindowLongPtrW(hwnd, DWLP_USER, lp);
      const DuplicateQuestion& q = c->prompt->question;
      // The template's texts hold the name and the new size as "%s".
      const size_t slash = q.path.find_last_of(u'\\');
      FillTemplateText(hwnd, exists::kQuestion, slash == std::u16string::npos ? q.path : q.path.substr(slash + 1));
      FillTemplateText(hwnd, exists::kNewSize, FormatSize(q.newSize));
      if (c->prompt->existingSize >= 0) SetDlgItemTextW(hwnd, exists::kExistingSize, Wide(FormatSize(c->prompt->existingSize)));
      SetDlgItemTextW(hwnd, exists::kExistingTime, Wide(LastWriteText(q.path)));
      SHFILEINFOW info = {};
      if (SHGetFileInfoW(Wide(q.path), 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON)) {
        c->icon = info.hIcon;
        SendDlgItemMessageW(hwnd, exists::kIcon, STM_SETICON, reinterpret_cast<WPARAM>(c->icon), 0);
      }
      if (!q.allowResume) LayOutWithoutResume(hwnd);
      if (q.singleMode) ShowWindow(GetDlgItem(hwnd, exists::kApplyToAll), SW_HIDE);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id != existing_file::kOverwrite && id != existing_file::kResume && id != existing_file::kSaveAs &&
          id != IDCANCEL)
        return FALSE;
      c->answer.code = id == IDCANCEL ? existing_file::kSkip : id;
      c->answer.applyToAll = IsDlgButtonChecked(hwnd, exists::kApplyToAll) == BST_CHECKED;
      if (id == existing_file::kSaveAs) {
        const auto path = ui::ChooseSaveFile(hwnd, c->prompt->question.path);
        if (!path) return TRUE;  // back to the question
        c->answer.newPath = *path;
      }
      ::EndDialog(hwnd, id);
      return TRUE;
    }
    default: return FALSE;
  }
}

}  // namespace

DownloadDialogWindow::DownloadDialogWindow(std::function<std::u16string(uint32_t)> text,
                                           std::vector<uint8_t> existingTemplate)
    : text_(std::move(text)), existingTemplate_(std::move(existingTemplate)) {}

int DownloadDialogWindow::RunModal(HWND owner, DownloadDialog& dialog, std::vector<uint8_t> dialogTemplate) {
  if (!ChangeTemplateStyle(dialogTemplate, ModalToolWindowStyle())) return endcode::kCancelled;
  caption_ = DialogCaption(dialogTemplate);
  dialog_ = &dialog;
  const INT_PTR code = DialogBoxIndirectParamW(Module(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                               owner, &DialogProc, reinterpret_cast<LPARAM>(this));
  dialog_ = nullptr;
  hwnd_ = nullptr;
  return code < 0 ? endcode::kCancelled : static_cast<int>(code);
}

bool DownloadDialogWindow::CreateChild(HWND parent, DownloadDialog& dialog, std::vector<uint8_t> dialogTemplate) {
  if (!ChangeTemplateStyle(dialogTemplate, EmbeddedChildStyle())) return false;
  caption_ = DialogCaption(dialogTemplate);
  dialog_ = &dialog;
  child_ = true;
  CreateDialogIndirectParamW(Module(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), parent,
                             &DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) dialog_ = nullptr;
  return hwnd_ != nullptr;
}

void DownloadDialogWindow::DestroyChild() {
  dialog_ = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

INT_PTR CALLBACK DownloadDialogWindow::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<DownloadDialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<DownloadDialogWindow*>(lp);
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    self->hwnd_ = hwnd;
  }
  if (!self || !self->dialog_) return FALSE;
  return self->OnMessage(msg, wp, lp);
}

INT_PTR DownloadDialogWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      InitList();
      MakeBlueStatic(GetDlgItem(hwnd_, dlg::kFolder));
      for (int id : {dlg::kItemProgress, dlg::kRunProgress}) SendDlgItemMessageW(hwnd_, id, PBM_SETRANGE32, 0, 100);
      SetTimer(hwnd_, kTimerId, kTimerMs, nullptr);
      dialog_->OnInit(*this);
      // Shown now, not when the modal loop first idles: a question the run
      // posts at once would otherwise come up with its owner still hidden.
      if (!child_) ShowWindow(hwnd_, SW_SHOW);
      return TRUE;
    case WM_TIMER:
      if (wp == kTimerId) dialog_->OnTimer();
      return TRUE;
    case kRunPosted:
      RunPosted();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case dlg::kStart: dialog_->OnStart(); return TRUE;
        case dlg::kCancel: dialog_->OnClose(true); return TRUE;
        case dlg::kChangeFolder: dialog_->OnChangeFolder(); return TRUE;
        default: return FALSE;
      }
    case WM_CLOSE:
      dialog_->OnClose(true);
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->idFrom != static_cast<UINT_PTR>(dlg::kList)) return FALSE;
      if (header->code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lp)->item;
        if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= dialog_->RowCount()) return TRUE;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
          cell_ = dialog_->RowText(static_cast<size_t>(item.iItem), item.iSubItem);
          CopyBounded(cell_, item.pszText, item.cchTextMax);
        }
        if ((item.mask & LVIF_IMAGE) && item.iSubItem == 0)
          item.iImage = dialog_->RowItem(static_cast<size_t>(item.iItem)).iconIndex;
        return TRUE;
      }
      if (header->code == LVN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(lp);
        if (tip->iItem < 0 || static_cast<size_t>(tip->iItem) >= dialog_->RowCount() || !tip->pszText ||
            tip->cchTextMax <= 0)
          return TRUE;
        cell_ = dialog_->RowTip(static_cast<size_t>(tip->iItem));
        CopyBounded(cell_, tip->pszText, tip->cchTextMax);
        return TRUE;
      }
      if (header->code == NM_DBLCLK) {
        dialog_->OnRowDoubleClick(reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      KillTimer(hwnd_, kTimerId);
      return FALSE;
    default: return FALSE;
  }
}

void DownloadDialogWindow::InitList() {
  HWND list = GetDlgItem(hwnd_, dlg::kList);
  if (!list) return;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  // The shell's own image lists: shared, so the list must never destroy them.
  SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
  SHFILEINFOW info = {};
  const UINT lookup = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES;
  if (auto large = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"*.*", 0, &info, sizeof info, lookup)))
    ListView_SetImageList(list, large, LVSIL_NORMAL);
  if (auto small = reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"*.*", 0, &info, sizeof info, lookup | SHGFI_SMALLICON)))
    ListView_SetImageList(list, small, LVSIL_SMALL);
  for (int i = 0; i < 3; ++i) {
    std::u16string title = text_ ? text_(kColumnTexts[i]) : u"";
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = kColumnFormats[i];
    column.cx = ListView_GetStringWidth(list, Wide(title)) + kHeaderMargin;
    column.pszText = const_cast<wchar_t*>(Wide(title));
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(list, i, kColumnWidths[i]);
}

void DownloadDialogWindow::RunPosted() {
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard lock(postedMutex_);
    tasks.swap(posted_);
  }
  for (auto& task : tasks) {
    if (!dialog_ || dialog_->Ended()) return;
    task();
  }
}

void DownloadDialogWindow::SetTitle(const std::u16string& title) { SetWindowTextW(hwnd_, Wide(title)); }

void DownloadDialogWindow::SetText(int id, const std::u16string& text) { SetDlgItemTextW(hwnd_, id, Wide(text)); }

void DownloadDialogWindow::SetProgress(int id, int32_t percent) {
  SendDlgItemMessageW(hwnd_, id, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
}

void DownloadDialogWindow::ShowControl(int id, bool visible) {
  ShowWindow(GetDlgItem(hwnd_, id), visible ? SW_SHOW : SW_HIDE);
}

void DownloadDialogWindow::EnableControl(int id, bool enabled) { EnableWindow(GetDlgItem(hwnd_, id), enabled); }

void DownloadDialogWindow::SetRowCount(size_t rows) {
  ListView_SetItemCountEx(GetDlgItem(hwnd_, dlg::kList), static_cast<int>(rows), LVSICF_NOSCROLL);
}

void DownloadDialogWindow::SetListHeight(int32_t pixels) {
  HWND list = GetDlgItem(hwnd_, dlg::kList);
  if (!list) return;
  RECT lr = {};
  GetWindowRect(list, &lr);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&lr), 2);
  const int delta = pixels - (lr.bottom - lr.top);
  if (delta == 0) return;
  constexpr UINT kKeep = SWP_NOZORDER | SWP_NOACTIVATE;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    if (child != list && r.top >= lr.bottom) SetWindowPos(child, nullptr, r.left, r.top + delta, 0, 0, kKeep | SWP_NOSIZE);
  }
  SetWindowPos(list, nullptr, 0, 0, lr.right - lr.left, pixels, kKeep | SWP_NOMOVE);
  // An embedded dialog keeps the control's size.
  if (child_) return;
  RECT wr = {};
  GetWindowRect(hwnd_, &wr);
  SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left, wr.bottom - wr.top + delta, kKeep | SWP_NOMOVE);
}

void DownloadDialogWindow::RaiseListTo(int id) {
  HWND list = GetDlgItem(hwnd_, dlg::kList);
  if (!list || !GetDlgItem(hwnd_, id)) return;
  const RECT lr = ItemRect(hwnd_, dlg::kList);
  const int delta = lr.top - ItemRect(hwnd_, id).top;
  if (delta <= 0) return;
  constexpr UINT kKeep = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE;
  SetWindowPos(list, nullptr, lr.left, lr.top - delta, 0, 0, kKeep);
  if (HWND label = GetDlgItem(hwnd_, dlg::kPoweredBy)) {
    const RECT r = ItemRect(hwnd_, dlg::kPoweredBy);
    SetWindowPos(label, nullptr, r.left, r.top - delta, 0, 0, kKeep);
  }
  // An embedded dialog keeps the control's size.
  if (child_) return;
  RECT wr = {};
  GetWindowRect(hwnd_, &wr);
  SetWindowPos(hwnd_, nullptr, 0, 0, wr.right - wr.left, wr.bottom - wr.top - delta,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void DownloadDialogWindow::RedrawRow(size_t row) {
  ListView_RedrawItems(GetDlgItem(hwnd_, dlg::kList), static_cast<int>(row), static_cast<int>(row));
}

bool DownloadDialogWindow::AskYesNo(const std::u16string& text, const std::u16string& caption) {
  return ::MessageBoxW(hwnd_, Wide(text), Wide(caption), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void DownloadDialogWindow::MessageBox(const std::u16string& text, const std::u16string& caption) {
  ::MessageBoxW(hwnd_, Wide(text), Wide(caption), MB_OK | MB_ICONINFORMATION);
}

DuplicateAnswer DownloadDialogWindow::AskDuplicate(const DuplicatePrompt& prompt) {
  return AskExistingFile(hwnd_, existingTemplate_, prompt);
}

DuplicateAnswer AskExistingFile(HWND owner, std::vector<uint8_t> dialogTemplate, const DuplicatePrompt& prompt) {
  DuplicateContext context{&prompt, {}};
  if (dialogTemplate.empty() || !ChangeTemplateStyle(dialogTemplate, ModalToolWindowStyle())) return context.answer;
  DialogBoxIndirectParamW(Module(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner,
                          &DuplicateProc, reinterpret_cast<LPARAM>(&context));
  if (context.icon) DestroyIcon(context.icon);
  return context.answer;
}

void DownloadDialogWindow::MakeInvisible() { SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE); }

std::optional<std::u16string> DownloadDialogWindow::BrowseFolder(const std::u16string& title,
                                                                 const std::u16string& initial) {
  BROWSEINFOW info = {};
  info.hwndOwner = hwnd_;
  info.lpszTitle = Wide(title);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &SelectInitialFolder;
  info.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(Wide(initial));
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (!item) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(item, path);
  CoTaskMemFree(item);
  if (!ok) return std::nullopt;
  return FromWide(path);
}

void DownloadDialogWindow::Post(std::function<void()> task) {
  {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(task));
  }
  if (hwnd_) PostMessageW(hwnd_, kRunPosted, 0, 0);
}

void DownloadDialogWindow::EndDialog(int code) {
  if (!child_) {
    ::EndDialog(hwnd_, code);
    return;
  }
  // The control window raises the page's event for it.
  if (hwnd_) PostMessageW(GetParent(hwnd_), kChildDialogEndMessage, static_cast<WPARAM>(code), 0);
}

}  // namespace vard::com
