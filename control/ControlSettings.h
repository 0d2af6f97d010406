#pragma once
// The control's settings as the page gives them (properties and PARAM
// elements), with the transfer settings its download dialog object keeps.
// Owned by the control; the setters' rules live with the properties.
#include <cstdint>
#include <string>

#include "control/DownloadDialogState.h"
#include "control/DownloadList.h"

namespace vard {

struct ControlSettings {
  std::u16string language = u"ko";
  bool childMode = false;
  bool useUnicode = false;
  std::u16string tempFolder;  // empty: the system's temporary folder
  bool showFileOpen = true;
  bool useContextMenu = true;
  bool useContextOpen = true;
  bool useDragDrop = true;
  FolderLayout folderType = FolderLayout::kType0;
  std::u16string listStyle;
  bool showStatus = true;
  int16_t itemWidths[4] = {-1, -1, -1, -1};
  std::u16string urlDownloadComplete;
  bool openFileOverwrite = true;

  // Not properties: the page's own URL (learnt from the host) and the flag
  // a single download sets to say whether the file is opened afterwards.
  std::u16string pageUrl;
  bool openAfterDownload = true;

  DownloadDialogState dialog;
};

}  // namespace vard
