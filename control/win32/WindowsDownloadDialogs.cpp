#include "control/win32/WindowsDownloadDialogs.h"

#include <shellapi.h>

#include "common/log/DiagnosticLog.h"
#include "common/platform/Clock.h"
#include "common/platform/DebugOutput.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Registry.h"
#include "common/respack/LanguageStore.h"
#include "control/ProgramTitle.h"
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

// Opens a finished file; the system's text for the error when that fails.
std::optional<std::u16string> ShellOpen(const std::u16string& path) {
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", Wide(path), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return std::nullopt;
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string message = FromWide(text);
  LocalFree(text);
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) message.pop_back();
  return message;
}

}  // namespace

WindowsDownloadDialogs::WindowsDownloadDialogs(std::shared_ptr<ControlWindowHandle> owner,
                                               std::shared_ptr<IDownloadDialogs> fallback)
    : owner_(std::move(owner)), fallback_(std::move(fallback)), folders_(platform::SystemRegistry()) {}

int WindowsDownloadDialogs::RunListDownload(DownloadDialogState& state, const std::vector<DownloadItem>& batch,
                                            DialogOwner owner) {
  const auto dialogTemplate = LanguageStore::Instance().DialogTemplate(kDownloadTemplate);
  if (!dialogTemplate) return endcode::kCancelled;
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
  config.titleSuffix = state.captionSuffix;
  config.messageCaption = ProgramTitle::Process().MessageCaption();

  DownloadDialogServices s;
  s.clock = &platform::SystemClock();
  s.target = &Files();
  s.settings = &folders_;
  s.text = &PackText;
  s.documentsFolder = [] { return platform::DocumentsFolder(); };
  s.shellOpen = &ShellOpen;
  s.log = [](bool writeLog, const LogEvent& e) { WriteControlLog(writeLog, e); };
  s.debug = [](const std::u16string& line) { platform::DebugOutput(line); };

  DownloadDialog dialog(std::move(s), std::move(config), batch);
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
