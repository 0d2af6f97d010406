#include "control/engine/ConsoleDownloadDialogs.h"

#include "common/log/DiagnosticLog.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Environment.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/DialogCaption.h"
#include "common/respack/LanguageStore.h"
#include "control/ProgramTitle.h"
#include "control/engine/ProtectedModeTarget.h"

namespace vard {
namespace {

constexpr uint32_t kDownloadTemplate = 104;

}  // namespace

ConsoleDownloadDialogs::ConsoleDownloadDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::ostream& out)
    : fallback_(std::move(fallback)), out_(out), folders_(platform::SystemRegistry()) {}

DownloadDialogServices ConsoleDownloadDialogs::Services() {
  DownloadDialogServices s;
  s.clock = &platform::SystemClock();
  s.settings = &folders_;
  s.text = [](uint32_t id) { return LanguageStore::Instance().Text(id); };
  s.documentsFolder = [] { return platform::DocumentsFolder(); };
  s.log = [](bool writeLog, const LogEvent& e) { WriteControlLog(writeLog, e); };
  s.debug = [](const std::u16string& line) { platform::DebugOutput(line); };
  return s;
}

int ConsoleDownloadDialogs::RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                                            DialogOwner) {
  DownloadDialogConfig config;
  DownloadRunOptions& o = config.options;
  o.downloadFolder = state.downloadFolder;
  o.limitRateKB = state.limitRate;
  o.utf8Urls = state.useUnicode;
  o.writeLog = state.useWriteLog;
  o.resumeByQuery = state.useFileSizeQueryString;
  o.urlEncode = state.useURLEncode;
  o.allowResume = state.useResume;
  o.alwaysResume = state.fixResume;
  o.useFullPath = state.useFullPath;
  // Nobody presses Start on a console: the run starts by itself.
  config.autoStart = true;
  config.titleSuffix = state.captionSuffix;
  config.messageCaption = ProgramTitle::Process().MessageCaption();
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(kDownloadTemplate);
  const std::u16string caption = dialogTemplate ? DialogCaption(*dialogTemplate) : std::u16string();
  // Each list download has its own output: through the elevation broker
  // where the system wants it, made anew for every run.
  const std::unique_ptr<ProtectedModeTarget> output = MakeSystemOutput();
  DownloadDialogServices services = Services();
  services.target = output.get();
  DownloadDialog dialog(services, config, batch);
  ConsoleDownloadDialogView view(out_, platform::StandardInputIsTerminal() ? &std::cin : nullptr,
                                 platform::StandardOutputIsTerminal(), platform::SystemClock(), answers_, caption);
  const int code = view.RunModal(dialog);
  state.downloadFolder = dialog.Folder();
  return code;
}

void ConsoleDownloadDialogs::RunDownloadAndOpen(const ControlSettings& settings, const SingleFile& file) {
  fallback_->RunDownloadAndOpen(settings, file);
}

std::optional<OpenOrSaveAnswer> ConsoleDownloadDialogs::AskOpenOrSave(const std::u16string& shownName,
                                                                     int64_t fileSize) {
  return fallback_->AskOpenOrSave(shownName, fileSize);
}

}  // namespace vard
