#include "agent/jobs/BrokerStarter.h"

#include "common/platform/KnownFolders.h"
#include "common/platform/Process.h"

namespace vard {

constexpr int kConnectAttempts = 3;
constexpr uint32_t kConnectDelayMs = 500;

std::u16string BrokerProgramPath() {
  std::u16string dir = platform::SystemDirectory();
  if (!dir.empty() && dir.back() != u'\\') dir += u'\\';
  return dir + platform::ExecutableFileName(u"vardfsb");
}

OutputReady StartAndConnectBroker(fsb::FileBrokerClient& client, const std::u16string& programPath) {
  if (client.IsConnected()) return OutputReady::kReady;
  if (!client.IsRunning()) {
    if (!client.SetProgramPath(programPath) || !client.Launch()) return OutputReady::kNotStarted;
  }
  return client.Connect(kConnectAttempts, kConnectDelayMs) == fsb::status::kSuccess ? OutputReady::kReady
                                                                                    : OutputReady::kNotConnected;
}

bool EndConsoleBroker(fsb::FileBrokerClient& client) {
  if (!client.IsConnected() && client.Connect(1, 0) != fsb::status::kSuccess) return false;
  uint8_t mode = 1;
  bool ended = false;
  if (client.QueryMode(&mode) == fsb::status::kSuccess && mode == 0)
    ended = client.Shutdown() == fsb::status::kSuccess;
  client.Disconnect();
  return ended;
}

}  // namespace vard
