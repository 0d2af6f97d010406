#pragma once
// Transfer settings held by the control's download dialog object, which is
// made with the control and reused by every list download.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/UrlZone.h"
#include "control/DownloadList.h"

namespace vard {

struct DownloadDialogState {
  uint32_t limitRate = 0;  // KB per second, 0 = none
  bool useWriteLog = false;
  bool useFileSizeQueryString = false;
  bool useURLEncode = true;
  bool useBase64Encode = false;
  bool useResume = true;
  bool fixResume = false;
  bool useFullPath = false;
  bool useUnicode = false;
  // The page may reach beyond the download folder: full paths, FixResume.
  bool pageTrusted = true;
  // The page and its zone, which every file written carries; without a
  // page, the zone of each file's URL.
  std::u16string pageUrl;
  std::optional<platform::UrlZone> pageZone;
  int16_t dialogListHeight = -1;
  std::u16string downloadFolder;
  std::u16string captionSuffix;  // " - " + program title, or nothing
  // Handed to the agent with UseWriteLog on; nothing sets it yet.
  std::u16string logSettingText;
};

}  // namespace vard
