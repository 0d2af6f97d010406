#include "tools/bridge/win32/DialogProgress.h"

#include <windows.h>
#include <commctrl.h>

#include "common/text/Utf.h"
#include "control/engine/DownloadDialogView.h"

namespace vard::bridge {
namespace {

constexpr UINT kTickMs = 100;

std::string ItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
}

// A download dialog of this thread: a shown dialog with the run's progress bar.
BOOL CALLBACK FindDownloadDialog(HWND hwnd, LPARAM lp) {
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (!IsWindowVisible(hwnd) || std::wstring(cls) != L"#32770" || !GetDlgItem(hwnd, dlg::kRunProgress)) return TRUE;
  *reinterpret_cast<HWND*>(lp) = hwnd;
  return FALSE;
}

// Reads the shown dialog on each tick of a thread timer, which the dialog's
// modal loop runs; one watch at a time (modal dialogs of one thread nest,
// the outer one's watch waits).
class Watch {
 public:
  explicit Watch(const std::function<void(const std::string&)>& progress) : progress_(progress), outer_(current_) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, &Tick);
  }
  ~Watch() {
    KillTimer(nullptr, timer_);
    current_ = outer_;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    if (current_ && current_->timer_ == id) current_->Look();
  }
  void Look() {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDownloadDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    const auto percent = SendDlgItemMessageW(dialog, dlg::kItemProgress, PBM_GETPOS, 0, 0);
    // As the console's live line reads.
    std::string line = ItemText(dialog, dlg::kCounter) + "  " + ItemText(dialog, dlg::kCurrentFile) + "  " +
                       std::to_string(percent) + "%  " + ItemText(dialog, dlg::kRate) + "/s  " +
                       ItemText(dialog, dlg::kItemTimeLeft);
    if (line == last_) return;
    last_ = line;
    progress_(line);
  }

  static inline Watch* current_ = nullptr;
  const std::function<void(const std::string&)>& progress_;
  Watch* outer_;
  UINT_PTR timer_ = 0;
  std::string last_;
};

class ProgressDialogs final : public IDownloadDialogs {
 public:
  ProgressDialogs(std::shared_ptr<IDownloadDialogs> dialogs, std::function<void(const std::string&)> progress)
      : dialogs_(std::move(dialogs)), progress_(std::move(progress)) {}
  int RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch, DialogOwner owner) override {
    Watch watch(progress_);
    return dialogs_->RunListDownload(state, batch, owner);
  }
  void RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) override {
    Watch watch(progress_);
    dialogs_->RunDownloadAndOpen(settings, file);
  }
  std::optional<OpenOrSaveAnswer> AskOpenOrSave(const std::u16string& name, int64_t size) override {
    return dialogs_->AskOpenOrSave(name, size);
  }
  void EndRuns() override { dialogs_->EndRuns(); }
  // The bridge's control has no window to embed a dialog in.
  std::unique_ptr<IEmbeddedDownload> EmbedListDownload(DownloadDialogState& state,
                                                       std::function<void(int)> ended) override {
    return dialogs_->EmbedListDownload(state, std::move(ended));
  }

 private:
  std::shared_ptr<IDownloadDialogs> dialogs_;
  std::function<void(const std::string&)> progress_;
};

}  // namespace

std::shared_ptr<IDownloadDialogs> WithDialogProgress(std::shared_ptr<IDownloadDialogs> dialogs,
                                                     std::function<void(const std::string& line)> progress) {
  return std::make_shared<ProgressDialogs>(std::move(dialogs), std::move(progress));
}

}  // namespace vard::bridge
