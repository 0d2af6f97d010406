#include "control/ControlDownloads.h"

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/transfer/SafeName.h"
#include "control/PageUrl.h"

namespace vard {
namespace {

// Sets a flag for the length of a scope.
class ForcedFlag {
 public:
  explicit ForcedFlag(bool& flag, bool value = true) : flag_(flag), saved_(flag) { flag_ = value; }
  ~ForcedFlag() { flag_ = saved_; }
  ForcedFlag(const ForcedFlag&) = delete;
  ForcedFlag& operator=(const ForcedFlag&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

ControlDownloads::ControlDownloads(ControlSettings& settings, IDownloadDialogs& dialogs, IControlNetwork& network)
    : settings_(settings), dialogs_(dialogs), network_(network) {}

int ControlDownloads::RunList(const std::vector<DownloadItem>& batch, DialogOwner owner) {
  return dialogs_.RunListDownload(settings_.dialog, batch, owner);
}

int ControlDownloads::RunDropped(const std::vector<DownloadItem>& batch, const std::u16string& folder) {
  // The person chose the folder by dropping the rows there. An untrusted
  // page's files stay below it, as they stay below its download folder.
  ForcedFlag fullPaths(settings_.dialog.useFullPath);
  ForcedFlag chosen(settings_.dialog.personChose);
  const std::u16string runFolder = settings_.dialog.downloadFolder;
  if (!settings_.dialog.pageTrusted) settings_.dialog.downloadFolder = folder;
  const int result = RunList(batch, DialogOwner::kParentWindow);
  settings_.dialog.downloadFolder = runFolder;
  return result;
}

std::u16string ControlDownloads::Resolve(const std::u16string& url) const {
  return ResolvePageUrl(url, settings_.pageUrl, settings_.dialog.useBase64Encode, true);
}

void ControlDownloads::DownloadAndOpen(const std::u16string& url, const std::u16string& fileName, int64_t fileSize) {
  RunSingle(url, fileName, fileSize, false);
}

void ControlDownloads::RunSingle(const std::u16string& url, const std::u16string& fileName, int64_t fileSize,
                                 bool sizeUnknown) {
  if (url.empty()) return;
  const std::u16string resolved = Resolve(url);
  if (fileSize == 0 && !sizeUnknown) {
    // Asked here, where the page's going away can end the query.
    fileSize = network_.QueryRemoteSize(resolved, settings_.useUnicode).value_or(0);
    sizeUnknown = fileSize <= 0;
  }
  dialogs_.RunDownloadAndOpen(settings_,
                              SingleFile{resolved, transfer::WithoutBidiControls(fileName), fileSize, sizeUnknown});
  settings_.openAfterDownload = true;
}

void ControlDownloads::SingleDownload(const std::u16string& url, const std::u16string& fileName, int64_t fileSize) {
  if (url.empty()) return;
  const std::u16string resolved = Resolve(url);
  const std::u16string shown = transfer::WithoutBidiControls(LastPathComponent(fileName.empty() ? resolved : fileName));
  bool sizeUnknown = false;
  if (fileSize == 0) {
    fileSize = network_.QueryRemoteSize(resolved, settings_.useUnicode).value_or(0);
    // Asked once: the download fetches a size still unknown to its end.
    sizeUnknown = fileSize <= 0;
  }
  const auto answer = dialogs_.AskOpenOrSave(shown, fileSize);
  if (!answer) return;
  using Choice = OpenOrSaveAnswer::Choice;
  const std::u16string target =
      answer->choice == Choice::kOpen ? TemporaryTarget(settings_.tempFolder, shown) : answer->savePath;
  settings_.openAfterDownload = answer->choice != Choice::kSave;
  // The page's URL as it came (it is resolved again), the target a full path
  // the person chose; an untrusted page still has its existing file asked about.
  ForcedFlag fullPaths(settings_.dialog.useFullPath);
  ForcedFlag overwrite(settings_.openFileOverwrite, settings_.openFileOverwrite && settings_.dialog.pageTrusted);
  ForcedFlag chosen(settings_.dialog.personChose);
  RunSingle(url, target, fileSize, sizeUnknown);
}

std::u16string TemporaryTarget(const std::u16string& tempFolderSetting, const std::u16string& name) {
  std::u16string folder = tempFolderSetting;
  if (folder.empty() || !platform::IsDirectory(folder)) {
    folder = platform::TempFolder();
    if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  }
  return folder + u"\\" + name;
}

}  // namespace vard
