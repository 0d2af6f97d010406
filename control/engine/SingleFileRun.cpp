#include "control/engine/SingleFileRun.h"

#include "common/platform/PathText.h"
#include "common/text/SizeFormat.h"
#include "common/transfer/SafeName.h"
#include "control/ControlDownloads.h"

namespace vard {

std::optional<std::u16string> SingleFileTarget(const ControlSettings& settings, SingleFile& file,
                                               const SingleFileSteps& steps) {
  if (file.fileSize == 0 && !file.sizeUnknown) {
    const std::optional<int64_t> asked = steps.remoteSize(file.url, settings.useUnicode);
    file.fileSize = asked.value_or(0);
    // A size of 0 is still fetched: an empty file is made only by an answer.
    file.sizeUnknown = file.fileSize <= 0;
  }
  const bool untrusted = !settings.dialog.pageTrusted && !settings.dialog.personChose;
  std::u16string target = file.fileName;
  if (!settings.dialog.useFullPath) {
    const std::u16string name =
        transfer::WithoutBidiControls(platform::LastPathComponent(file.fileName.empty() ? file.url : file.fileName));
    if (!untrusted) return TemporaryTarget(settings.tempFolder, name);
    // Where the person finds it again, and nowhere else.
    target = name;
  }
  if (untrusted) {
    // An untrusted page's path is a name below the download folder.
    if (target.empty() ||
        !transfer::FitsInsideFolder(settings.dialog.downloadFolder, target, transfer::NameSource::kUntrustedPage))
      return std::nullopt;
    std::u16string folder = settings.dialog.downloadFolder;
    if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
    target = folder + target;
  }
  if (!steps.exists(target)) return target;
  if (settings.openFileOverwrite && settings.dialog.pageTrusted) return target;
  DuplicatePrompt prompt;
  prompt.question.path = target;
  prompt.question.newSize = file.fileSize;
  prompt.question.allowResume = false;
  prompt.question.singleMode = true;
  prompt.existingSize = steps.existingSize(target);
  const DuplicateAnswer answer = steps.askDuplicate(prompt);
  if (answer.code == existing_file::kSaveAs && !answer.newPath.empty()) return answer.newPath;
  if (answer.code == existing_file::kOverwrite) return target;
  return std::nullopt;
}

DownloadDialogConfig SingleFileDialogConfig(const ControlSettings& settings, const std::u16string& programTitle,
                                            const std::u16string& target) {
  DownloadDialogConfig config;
  DownloadRunOptions& o = config.options;
  const DownloadDialogState& d = settings.dialog;
  o.writeLog = d.useWriteLog;
  o.utf8Urls = settings.useUnicode;
  o.urlEncode = d.useURLEncode;
  o.resumeByQuery = d.useFileSizeQueryString;
  o.useFullPath = true;
  o.singleMode = true;
  o.overwriteAll = settings.openFileOverwrite && settings.dialog.pageTrusted;
  o.referrerUrl = settings.dialog.pageUrl;
  o.pageZone = settings.dialog.pageZone;
  if (!settings.dialog.pageTrusted && !settings.dialog.personChose &&
      platform::IsBelowFolder(settings.dialog.downloadFolder, target)) {
    // No link there may lead the write out (a save-as target is the person's).
    o.untrustedPage = true;
    o.downloadFolder = settings.dialog.downloadFolder;
  }
  config.autoStart = true;
  // An untrusted page never opens a file unseen.
  config.show = settings.showFileOpen || !settings.dialog.pageTrusted;
  config.titleSuffix = programTitle.empty() ? std::u16string() : u" - " + programTitle;
  return config;
}

DownloadItem SingleFileItem(const SingleFile& file, const std::u16string& target) {
  DownloadItem item;
  item.url = file.url;
  item.fileName = target;
  item.displayName = platform::LastPathComponent(target);
  item.fileSize = file.fileSize;
  item.sizeUnknown = file.sizeUnknown;
  item.sizeText = FormatSize(file.fileSize);
  return item;
}

}  // namespace vard
