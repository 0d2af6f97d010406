#include "control/win32/OpenOrSaveDialog.h"

#include <shellapi.h>

#include "common/text/SizeFormat.h"
#include "common/ui/win32/SaveFileChooser.h"
#include "control/win32/Bstr.h"
#include "control/win32/ModuleState.h"

namespace vard::com {
namespace {

constexpr int kIcon = 207, kName = 213, kTypeAndSize = 217;
constexpr int kOpen = 214, kSave = 215, kSaveAndOpen = 216;

struct Question {
  const std::u16string* name;
  int64_t size;
  std::optional<OpenOrSaveAnswer> answer;
  HICON icon = nullptr;
};

INT_PTR CALLBACK QuestionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* q = reinterpret_cast<Question*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      q = reinterpret_cast<Question*>(lp);
      SetWindowLongPtrW(hwnd, DWLP_USER, lp);
      SetDlgItemTextW(hwnd, kName, Wide(*q->name));
      SetDlgItemTextW(hwnd, kTypeAndSize, Wide(ui::FileTypeName(*q->name) + u", " + FormatSize(q->size)));
      SHFILEINFOW info = {};
      if (SHGetFileInfoW(Wide(*q->name), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                         SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_LARGEICON)) {
        q->icon = info.hIcon;
        SendDlgItemMessageW(hwnd, kIcon, STM_SETICON, reinterpret_cast<WPARAM>(q->icon), 0);
      }
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      using Choice = OpenOrSaveAnswer::Choice;
      if (id == kOpen) {
        q->answer = OpenOrSaveAnswer{Choice::kOpen, {}};
      } else if (id == kSave || id == kSaveAndOpen) {
        const auto path = ui::ChooseSaveFile(hwnd, *q->name);
        if (!path) return TRUE;  // back to the question
        q->answer = OpenOrSaveAnswer{id == kSave ? Choice::kSave : Choice::kSaveAndOpen, *path};
      } else if (id != IDCANCEL) {
        return FALSE;
      }
      EndDialog(hwnd, id);
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(hwnd, IDCANCEL);
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace

std::optional<OpenOrSaveAnswer> AskOpenOrSave(HWND owner, std::vector<uint8_t> dialogTemplate,
                                              const std::u16string& name, int64_t size) {
  if (dialogTemplate.empty()) return std::nullopt;
  Question q{&name, size, std::nullopt};
  DialogBoxIndirectParamW(Module(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), owner, &QuestionProc,
                          reinterpret_cast<LPARAM>(&q));
  if (q.icon) DestroyIcon(q.icon);
  return q.answer;
}

}  // namespace vard::com
