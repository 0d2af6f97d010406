#include "control/engine/DialogWiring.h"

#include "common/log/DiagnosticLog.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/ErrorText.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/MappedDrive.h"
#include "common/platform/Shell.h"
#include "common/respack/LanguageStore.h"
#include "control/ProgramTitle.h"
#include "control/engine/ProtectedModeTarget.h"
#include "control/engine/RemoteSize.h"

namespace vard {

DownloadDialogConfig ListDialogConfig(const DownloadDialogState& state) {
  DownloadDialogConfig config;
  DownloadRunOptions& o = config.options;
  o.downloadFolder = state.downloadFolder;
  o.limitRateKB = state.limitRate;
  o.utf8Urls = state.useUnicode;
  o.writeLog = state.useWriteLog;
  o.resumeByQuery = state.useFileSizeQueryString;
  o.urlEncode = state.useURLEncode;
  o.allowResume = state.useResume;
  // An untrusted page's names stay below the download folder, and its
  // existing files are asked about.
  o.alwaysResume = state.fixResume && state.pageTrusted;
  o.useFullPath = state.useFullPath && (state.pageTrusted || state.personChose);
  o.referrerUrl = state.pageUrl;
  o.pageZone = state.pageZone;
  o.untrustedPage = !state.pageTrusted;
  config.storeFolder = state.pageTrusted;
  config.autoStart = state.useFullPath;
  config.listHeight = state.dialogListHeight;
  config.titleSuffix = state.captionSuffix;
  config.messageCaption = ProgramTitle::Process().MessageCaption();
  return config;
}

DownloadDialogServices SystemDialogServices(FolderSettings& folders, IDownloadTarget& target) {
  DownloadDialogServices s;
  s.clock = &platform::SystemClock();
  s.target = &target;
  s.settings = &folders;
  s.text = [](uint32_t id) { return LanguageStore::Instance().Text(id); };
  s.documentsFolder = [] { return platform::DocumentsFolder(); };
  s.shellOpen = OpenWithShell;
  s.log = [](bool writeLog, const LogEvent& e) { WriteControlLog(writeLog, e); };
  s.debug = [](const std::u16string& line) { platform::DebugOutput(line); };
  s.mappedDrive = [](const std::u16string& drive) { return platform::MappedDriveTarget(drive); };
  return s;
}

OutputFactory SystemOutputFactory() {
  return []() -> std::unique_ptr<IDownloadTarget> { return MakeSystemOutput(); };
}

WiredDownloadDialog::WiredDownloadDialog(FolderSettings& folders, const OutputFactory& makeOutput,
                                         DownloadDialogConfig config, std::vector<DownloadItem> items)
    : output_(makeOutput()), dialog_(SystemDialogServices(folders, *output_), std::move(config), std::move(items)) {}

SingleFileSteps SystemSingleFileSteps() {
  SingleFileSteps steps;
  steps.exists = [](const std::u16string& path) { return platform::FileAttributes(path) != platform::attribute::kInvalid; };
  steps.remoteSize = [](const std::u16string& url, bool utf8) { return QueryRemoteSize(url, utf8); };
  steps.existingSize = [](const std::u16string& path) { return platform::FileSizeOf(path); };
  return steps;
}

std::optional<std::u16string> OpenWithShell(const std::u16string& path) {
  if (platform::ShellOpen(path)) return std::nullopt;
  return platform::SystemErrorText(platform::LastError());
}

}  // namespace vard
