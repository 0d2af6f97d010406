#pragma once
// The control's own downloads, run in its download dialogs with their
// engine: the list download (whole list, selection, rows dropped into a
// folder) and the single-file downloads. The caller reloads the pack and
// raises the events; this room decides what the dialogs are given. Owned by
// the control and used on its thread.
#include <cstdint>
#include <string>
#include <vector>

#include "control/ControlSettings.h"
#include "control/services/ControlNetwork.h"
#include "control/services/DownloadDialogs.h"

namespace vard {

class ControlDownloads {
 public:
  ControlDownloads(ControlSettings& settings, IDownloadDialogs& dialogs, IControlNetwork& network);

  // The list dialog over `batch`; its end code.
  int RunList(const std::vector<DownloadItem>& batch, DialogOwner owner);
  // Rows dragged out into a folder: `batch` names are full paths, so the
  // run takes them as such.
  int RunDropped(const std::vector<DownloadItem>& batch, const std::u16string& folder);

  void DownloadAndOpen(const std::u16string& url, const std::u16string& fileName, int64_t fileSize);
  void SingleDownload(const std::u16string& url, const std::u16string& fileName, int64_t fileSize);

 private:
  std::u16string Resolve(const std::u16string& url) const;
  void RunSingle(const std::u16string& url, const std::u16string& fileName, int64_t fileSize, bool sizeUnknown);

  ControlSettings& settings_;
  IDownloadDialogs& dialogs_;
  IControlNetwork& network_;
};

// Where a file downloaded only to be opened goes: the temporary folder
// setting when it names an existing folder, else the system's temporary
// folder; then a backslash and `name`.
std::u16string TemporaryTarget(const std::u16string& tempFolderSetting, const std::u16string& name);

}  // namespace vard
