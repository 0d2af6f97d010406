#pragma once
// The control's side of the hand-off to the transfer agent: handing a batch
// over, and reading what earlier hand-offs left unfinished.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/DownloadList.h"

namespace vard {

struct AgentHandOffRequest {
  // The items to hand over; none: the pending saved downloads instead.
  std::optional<std::vector<DownloadItem>> batch;
  std::u16string pageUrl;  // whose cookies go along
  bool utf8Urls = false;   // URLs are escaped from UTF-8, else the ANSI code page
  bool resumeByQuery = false;
  uint32_t rateLimitKb = 0;
  std::u16string language;
  std::u16string title;
  std::u16string logText;  // empty: the agent writes no log
  std::optional<std::u16string> notificationUrl;
};

class IAgentHandOff {
 public:
  virtual ~IAgentHandOff() = default;
  // Writes the hand-off and starts or notifies the agent. Failures are not
  // reported to the page.
  virtual void HandOff(const AgentHandOffRequest& request) = 0;
};

class ISavedDownloads {
 public:
  virtual ~ISavedDownloads() = default;
  // Records still to be downloaded (0 when there is no file); nothing when
  // the file cannot be consulted at all.
  virtual std::optional<uint32_t> PendingCount() = 0;
};

}  // namespace vard
