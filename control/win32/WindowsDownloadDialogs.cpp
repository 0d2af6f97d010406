#include "control/win32/WindowsDownloadDialogs.h"

#include "common/platform/Registry.h"
#include "common/respack/LanguageStore.h"
#include "control/engine/DialogWiring.h"
#include "control/engine/OpenConsent.h"
#include "control/win32/Bstr.h"
#include "control/ProgramTitle.h"
#include "control/win32/DownloadDialogWindow.h"
#include "control/win32/OpenOrSaveDialog.h"

namespace vard::com {
namespace {

constexpr uint32_t kDownloadTemplate = 104;
constexpr uint32_t kCompactTemplate = 105;
constexpr uint32_t kOpenOrSaveTemplate = 204;
constexpr uint32_t kExistingFileTemplate = 205;

std::u16string PackText(uint32_t id) { return LanguageStore::Instance().Text(id); }

std::vector<uint8_t> ExistingFileTemplate() {
  return LanguageStore::Instance().DialogTemplate(kExistingFileTemplate).value_or(std::vector<uint8_t>());
}

// The list dialog inside the control window.
class EmbeddedWindow final : public IEmbeddedDownload {
 public:
  EmbeddedWindow(FolderSettings& folders, const OutputFactory& makeOutput, DownloadDialogConfig config,
                 RunningDialogs& running)
      : window_(&PackText, ExistingFileTemplate()),
        wired_(folders, makeOutput, std::move(config), {}),
        running_(running, window_, wired_.Dialog()) {}
  ~EmbeddedWindow() override {
    wired_.Dialog().OnClose(false);
    window_.DestroyChild();
  }
  bool Create(HWND parent, std::vector<uint8_t> dialogTemplate) {
    return window_.CreateChild(parent, wired_.Dialog(), std::move(dialogTemplate));
  }
  void AddItem(const DownloadItem& item) override { wired_.Dialog().AddItem(item); }
  void Place(int32_t width, int32_t height) override {
    SetWindowPos(window_.Handle(), HWND_TOP, 0, 0, width, height, SWP_NOACTIVATE);
  }
  void Focus() override { SetFocus(window_.Handle()); }
  void SetListHeight(int32_t pixels) override { window_.SetListHeight(pixels); }

 private:
  // Declared first: the dialog's worker may still post to the window while
  // the dialog goes away.
  DownloadDialogWindow window_;
  WiredDownloadDialog wired_;
  RunningDialogs::Entry running_;
};

}  // namespace

WindowsDownloadDialogs::WindowsDownloadDialogs(std::shared_ptr<ControlWindowHandle> owner, OutputFactory makeOutput)
    : owner_(std::move(owner)),
      makeOutput_(std::move(makeOutput)),
      folders_(platform::SystemRegistry()) {}

int WindowsDownloadDialogs::RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                                            DialogOwner owner) {
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(kDownloadTemplate);
  if (!dialogTemplate) return endcode::kCancelled;
  WiredDownloadDialog wired(folders_, makeOutput_, ListDialogConfig(state), batch);
  DownloadDialogWindow window(&PackText, ExistingFileTemplate());
  const RunningDialogs::Entry running(running_, window, wired.Dialog());
  HWND control = owner_ ? owner_->window : nullptr;
  HWND parent = control ? GetParent(control) : nullptr;
  const int code = window.RunModal(owner == DialogOwner::kParentWindow && parent ? parent : control, wired.Dialog(),
                                   *dialogTemplate);
  state.downloadFolder = wired.Dialog().Folder();
  return code;
}

std::unique_ptr<IEmbeddedDownload> WindowsDownloadDialogs::EmbedListDownload(DownloadDialogState& state,
                                                                             std::function<void(int)>) {
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(kDownloadTemplate);
  HWND control = owner_ ? owner_->window : nullptr;
  if (!dialogTemplate || !control) return nullptr;
  DownloadDialogConfig config = ListDialogConfig(state);
  config.child = true;
  config.autoStart = false;  // the user starts each run
  auto embedded = std::make_unique<EmbeddedWindow>(folders_, makeOutput_, std::move(config), running_);
  if (!embedded->Create(control, *dialogTemplate)) return nullptr;
  return embedded;
}

void WindowsDownloadDialogs::RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& page) {
  const auto compact = LanguageStore::Instance().DialogTemplate(kCompactTemplate);
  if (!compact) return;
  HWND control = owner_ ? owner_->window : nullptr;
  SingleFile file = page;
  SingleFileSteps steps = SystemSingleFileSteps();
  steps.askDuplicate = [control](const DuplicatePrompt& prompt) {
    return AskExistingFile(control, ExistingFileTemplate(), prompt);
  };
  const auto target = SingleFileTarget(settings, file, steps);
  if (!target) return;

  DownloadDialogConfig config = SingleFileDialogConfig(settings, ProgramTitle::Process().Title(), *target);
  config.messageCaption = ProgramTitle::Process().MessageCaption();
  WiredDownloadDialog wired(folders_, makeOutput_, config, {SingleFileItem(file, *target)});
  DownloadDialogWindow window(&PackText, ExistingFileTemplate());
  std::optional<RunningDialogs::Entry> running(std::in_place, running_, window, wired.Dialog());
  if (window.RunModal(control, wired.Dialog(), *compact) != endcode::kCompleted || !settings.openAfterDownload) return;
  running.reset();
  const std::u16string& caption = config.messageCaption;
  OpenSteps open;
  // No is the default button: a key press meant for the page opens nothing.
  open.ask = [&](const std::u16string& question) {
    return MessageBoxW(control, Wide(question), Wide(caption), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
  };
  open.tell = [&](const std::u16string& text) {
    MessageBoxW(control, Wide(text), Wide(caption), MB_OK | MB_ICONINFORMATION);
  };
  open.open = OpenWithShell;
  OpenAfterDownload(settings.dialog, *target, open);
}

std::optional<OpenOrSaveAnswer> WindowsDownloadDialogs::AskOpenOrSave(const std::u16string& shownName,
                                                                      int64_t fileSize) {
  const auto question = LanguageStore::Instance().DialogTemplate(kOpenOrSaveTemplate);
  if (!question) return std::nullopt;
  return com::AskOpenOrSave(owner_ ? owner_->window : nullptr, *question, shownName, fileSize);
}

}  // namespace vard::com
