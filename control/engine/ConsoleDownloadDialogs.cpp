#include "control/engine/ConsoleDownloadDialogs.h"

#include "common/log/DiagnosticLog.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/Environment.h"
#include "common/platform/KnownFolders.h"
#include "common/respack/DialogCaption.h"
#include "common/respack/LanguageStore.h"
#include "control/ProgramTitle.h"
#include "control/engine/DirectTarget.h"
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

// Nothing when the shell opened the file; else the system's text for why not.
std::optional<std::u16string> OpenWithShell(const std::u16string& path) {
  if (platform::ShellOpen(path)) return std::nullopt;
  return platform::SystemErrorText(platform::LastError());
}

DirectTarget& Files() {
  static DirectTarget target;
  return target;
}

}  // namespace

ConsoleDownloadDialogs::ConsoleDownloadDialogs(std::shared_ptr<IDownloadDialogs> fallback, std::ostream& out)
    : fallback_(std::move(fallback)), out_(out), folders_(platform::SystemRegistry()) {}

DownloadDialogServices ConsoleDownloadDialogs::Services() {
  DownloadDialogServices s;
  s.clock = &platform::SystemClock();
  s.target = &Files();
  s.settings = &folders_;
  s.text = [](uint32_t id) { return LanguageStore::Instance().Text(id); };
  s.documentsFolder = [] { return platform::DocumentsFolder(); };
  s.log = [](bool writeLog, const LogEvent& e) { WriteControlLog(writeLog, e); };
  s.debug = [](const std::u16string& line) { platform::DebugOutput(line); };
  s.shellOpen = OpenWithShell;
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
  DownloadDialog dialog(Services(), config, batch);
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
  DownloadDialog dialog(Services(), config, {item});
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
