#include "control/win32/WindowsDownloadDialogs.h"

#include "common/platform/Registry.h"
#include "common/respack/LanguageStore.h"
#include "control/engine/DialogWiring.h"
#include "control/engine/DirectTarget.h"
#include "control/win32/Bstr.h"
#include "control/win32/DownloadDialogWindow.h"

namespace vard::com {
namespace {

constexpr uint32_t kDownloadTemplate = 104;
constexpr uint32_t kExistingFileTemplate = 205;

DirectTarget& Files() {
  static DirectTarget target;
  return target;
}

std::u16string PackText(uint32_t id) { return LanguageStore::Instance().Text(id); }

}  // namespace

WindowsDownloadDialogs::WindowsDownloadDialogs(std::shared_ptr<ControlWindowHandle> owner,
                                               std::shared_ptr<IDownloadDialogs> fallback)
    : owner_(std::move(owner)), fallback_(std::move(fallback)), folders_(platform::SystemRegistry()) {}

int WindowsDownloadDialogs::RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                                            DialogOwner owner) {
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(kDownloadTemplate);
  if (!dialogTemplate) return endcode::kCancelled;
  DownloadDialog dialog(SystemDialogServices(folders_, Files()), ListDialogConfig(state), batch);
  DownloadDialogWindow window(&PackText,
                              LanguageStore::Instance().DialogTemplate(kExistingFileTemplate).value_or(std::vector<uint8_t>()));
  HWND control = owner_ ? owner_->window : nullptr;
  HWND parent = control ? GetParent(control) : nullptr;
  const int code = window.RunModal(owner == DialogOwner::kParentWindow && parent ? parent : control, dialog,
                                   *dialogTemplate);
  state.downloadFolder = dialog.Folder();
  return code;
}

void WindowsDownloadDialogs::RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) {
  fallback_->RunDownloadAndOpen(settings, file);
}

std::optional<OpenOrSaveAnswer> WindowsDownloadDialogs::AskOpenOrSave(const std::u16string& shownName,
                                                                      int64_t fileSize) {
  return fallback_->AskOpenOrSave(shownName, fileSize);
}

}  // namespace vard::com
