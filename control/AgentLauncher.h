#pragma once
// The control's hand-off to the transfer agent: writes the batch into the
// regions the control keeps mapped for its lifetime, then starts the agent
// or tells the running one to read them. A session-wide lock is held from
// the zero-fill until the agent has read, so two pages handing off at once
// never overwrite each other's batch.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/handoff/HandOffWriter.h"
#include "common/platform/Clock.h"
#include "common/platform/WindowMessenger.h"
#include "control/PageCookies.h"
#include "control/services/AgentHandOff.h"

namespace vard {

// Bound of every wait of a hand-off (the lock, the new agent's start, the
// insert message): a hung agent must not hang the page.
inline constexpr uint32_t kHandOffWaitMs = 30000;

// The running agent as the launcher sees it: whether it runs, starting it,
// and the insert message with the bring-to-top.
class IAgentProcess {
 public:
  virtual ~IAgentProcess() = default;
  virtual bool Running() = 0;
  // Starts the program and waits (bounded) until it is idle. False when
  // it did not start.
  virtual bool Start(const std::u16string& program, const std::u16string& parameters, uint32_t waitLimitMs) = 0;
  // Sends the insert message to the view (bounded) and brings the main
  // window to the top. False when the windows were not found.
  virtual bool Notify(uint32_t waitLimitMs) = 0;
};

// How the download agent's windows are reached (WindowMessenger.h's calls
// unless a test records them). `send` sends the message registered under
// `name` and waits for it, up to `waitLimitMs`.
struct AgentWindows {
  std::function<std::optional<platform::WindowRef>(const std::u16string& className, const platform::WindowRef* parent)>
      find;
  std::function<bool(const platform::WindowRef& window, const std::u16string& name, uint32_t waitLimitMs)> send;
  std::function<bool(const platform::WindowRef& window)> bringToTop;
};
AgentWindows SystemAgentWindows(platform::IClock& clock);

// The agent of the download mode through the platform's processes and
// `windows`.
std::unique_ptr<IAgentProcess> MakeDownloadAgent(platform::IClock& clock, AgentWindows windows);
// ... with the system's windows.
IAgentProcess& SystemDownloadAgent(platform::IClock& clock = platform::SystemClock());

struct AgentLauncherSetup {
  platform::IClock* clock = &platform::SystemClock();
  IRegionSource* regions = &NamedRegions();
  HandOffNames names;
  // The agent program (the system directory's by default).
  std::u16string program;
  // Where the pending saved downloads are read from.
  std::u16string savedDownloadsPath;
  std::function<PageCookies(const std::u16string& pageUrl)> pageCookies;
  uint32_t waitLimitMs = kHandOffWaitMs;
  IAgentProcess* agent = &SystemDownloadAgent();
};

class AgentLauncher final : public IAgentHandOff {
 public:
  explicit AgentLauncher(AgentLauncherSetup setup);
  void HandOff(const AgentHandOffRequest& request) override;

  // The agent's parameters: " -Mdownload", then " -L" + language and
  // " -KTLOG" + log text when they are not empty.
  static std::u16string CommandLine(const AgentHandOffRequest& request);
  // The system directory's agent program.
  static std::u16string DefaultProgram();

 private:
  // The batch's texts, and the saved downloads when the page gave no items.
  DownloadHandOff Batch(const AgentHandOffRequest& request) const;
  // The page's cookie text when every URL of the batch may carry it, else
  // empty: the agent sends the batch's one cookie with each of its items.
  std::u16string BatchCookie(const std::u16string& pageUrl, const std::vector<std::u16string>& urls) const;
  void WriteItems(const AgentHandOffRequest& request);
  void StartOrNotify(const AgentHandOffRequest& request);

  AgentLauncherSetup setup_;
  DownloadHandOffWriter writer_;
};

}  // namespace vard
