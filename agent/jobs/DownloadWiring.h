#pragma once
// The real services of the download workers, handed in once by the agent's
// composition root: the file system, the process's one broker client and
// where the broker program lies, the saved-downloads file, the log. A worker
// whose program never wired them says so and moves nothing.
#include <functional>
#include <string>

#include "common/brokerpipe/FileBrokerClient.h"
#include "common/log/DiagnosticLog.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/Registry.h"

namespace vard {

struct DownloadWiring {
  platform::IFileSystem* files = nullptr;
  fsb::FileBrokerClient* broker = nullptr;
  std::u16string brokerProgram;
  std::u16string savedDownloadsPath;
  platform::IRegistry* registry = nullptr;  // the retry settings
  std::function<int()> osMajorVersion;
  std::function<void(const LogEvent&)> log;
};

void SetDownloadWiring(DownloadWiring wiring);
// Null until SetDownloadWiring was called.
const DownloadWiring* GetDownloadWiring();

}  // namespace vard
