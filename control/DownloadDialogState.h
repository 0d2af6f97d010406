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
  // The person started the run and chose where it goes (a drop, a single
  // download's Save As): its full paths are the person's, whatever the
  // page; what only a trusted page may ask (FixResume, OpenFileOverwrite)
  // still needs one.
  bool personChose = false;
  // The page and its zone, which every file written carries; without a
  // page, the zone of each file's URL.
  std::u16string pageUrl;
  std::optional<platform::UrlZone> pageZone;
  // The page's origin as the person is told it, when a browser vouched for
  // one apart from the URL (a sandboxed document's opaque one); empty: the
  // URL's. Then the URL's own origin is not the page's: no cookies of its
  // host, no notifications to it.
  std::u16string pageOriginApart;
  int16_t dialogListHeight = -1;
  std::u16string downloadFolder;
  std::u16string captionSuffix;  // " - " + program title, or nothing
  // Handed to the agent with UseWriteLog on; nothing sets it yet.
  std::u16string logSettingText;
};

}  // namespace vard
