#include "control/engine/ConsoleDownloadDialogs.h"

#include "common/log/DiagnosticLog.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Environment.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/DialogCaption.h"
#include "common/respack/LanguageStore.h"
#include "control/ProgramTitle.h"
#include "control/engine/DialogWiring.h"
#include "control/engine/ProtectedModeTarget.h"
#include "control/engine/RemoteSize.h"
#include "control/engine/SingleFileRun.h"
#include "common/platform/ErrorText.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Shell.h"
#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

constexpr uint32_t kDownloadTemplate = 104;
constexpr uint32_t kCompactTemplate = 105;

std::u16string TemplateCaption(uint32_t id) {
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(id);
  return dialogTemplate ? DialogCaption(*dialogTemplate) : std::u16string();
}

}  // namespace

ConsoleDownloadDialogs::ConsoleDownloadDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::ostream& out)
    : fallback_(std::move(fallback)), out_(out), folders_(platform::SystemRegistry()) {}

int ConsoleDownloadDialogs::RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                                            DialogOwner) {
  DownloadDialogConfig config = ListDialogConfig(state);
  // Nobody presses Start on a console: the run starts by itself.
  config.autoStart = true;
  // Each list download has its own output: through the elevation broker
  // where the system wants it, made anew for every run.
  const std::unique_ptr<ProtectedModeTarget> output = MakeSystemOutput();
  DownloadDialog dialog(SystemDialogServices(folders_, *output), config, batch);
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr,
                                 platform::StandardOutputIsTerminal(), platform::SystemClock(), answers_,
                                 TemplateCaption(kDownloadTemplate));
  const int code = view.RunModal(dialog);
  state.downloadFolder = dialog.Folder();
  return code;
}

void ConsoleDownloadDialogs::RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& page) {
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr,
                                 platform::StandardOutputIsTerminal(), platform::SystemClock(), answers_,
                                 TemplateCaption(kCompactTemplate));
  SingleFile file = page;
  SingleFileSteps steps;
  steps.exists = [](const std::u16string& path) { return platform::FileAttributes(path) != platform::attribute::kInvalid; };
  steps.remoteSize = [](const std::u16string& url, bool utf8) { return QueryRemoteSize(url, utf8); };
  steps.askDuplicate = [&view](const DuplicatePrompt& prompt) { return view.AskDuplicate(prompt); };
  steps.existingSize = [](const std::u16string& path) { return platform::FileSizeOf(path); };
  const auto target = SingleFileTarget(settings, file, steps);
  if (!target) return;

  DownloadDialogConfig config = SingleFileDialogConfig(settings, ProgramTitle::Process().Title());
  config.messageCaption = ProgramTitle::Process().MessageCaption();
  DownloadItem item;
  item.url = file.url;
  item.fileName = *target;
  item.displayName = platform::LastPathComponent(*target);
  item.fileSize = file.fileSize;
  item.sizeText = FormatSize(file.fileSize);
  const std::unique_ptr<ProtectedModeTarget> output = MakeSystemOutput();
  DownloadDialog dialog(SystemDialogServices(folders_, *output), config, {item});
  if (view.RunModal(dialog) != endcode::kCompleted || !settings.openAfterDownload) return;
  if (auto error = OpenWithShell(*target)) view.MessageBox(*error, config.messageCaption);
}

std::optional<OpenOrSaveAnswer> ConsoleDownloadDialogs::AskOpenOrSave(const std::u16string& shownName,
                                                                     int64_t fileSize) {
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr, false,
                                 platform::SystemClock(), answers_, u"");
  return view.AskOpenOrSave(shownName, fileSize);
}

}  // namespace vard
