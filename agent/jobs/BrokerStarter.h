#pragma once
// Finding, starting and ending the file service broker for the agent. The
// broker is found by its single-instance mutex; when it is absent the
// system directory's broker program is started hidden in console mode
// (elevated where the system has elevation). A console-mode broker is asked
// to end when the download view closes; one that runs as a service stays.
#include <string>

#include "agent/jobs/DownloadOutput.h"
#include "common/brokerpipe/FileBrokerClient.h"

namespace vard {

// The broker program in the system directory.
std::u16string BrokerProgramPath();

// Connected when it returns kReady: three attempts, 500 ms apart on the
// client's clock.
OutputReady StartAndConnectBroker(fsb::FileBrokerClient& client, const std::u16string& programPath);

// The download view closes: a broker that runs (or answers) in console mode
// is told to end. True when it was told and agreed.
bool EndConsoleBroker(fsb::FileBrokerClient& client);

}  // namespace vard
