#pragma once
// Transfer settings held by the control's download dialog object, which is
// made with the control and reused by every list download.
#include <cstdint>
#include <string>
#include <vector>

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
  int16_t dialogListHeight = -1;
  std::u16string downloadFolder;
  std::u16string captionSuffix;  // " - " + program title, or nothing
  // Handed to the agent with UseWriteLog on; nothing sets it yet.
  std::u16string logSettingText;
};

}  // namespace vard
