#pragma once
// The pipe server: one listener thread, one worker thread per connection.
// The server lives until the process ends; it is made once by the host.
#include <atomic>
#include <cstdint>
#include <functional>
#include <shared_mutex>
#include <string>

#include "common/platform/NamedMutex.h"
#include "fsb/OpenFileRegistry.h"

namespace vard::fsb {

class BrokerServer {
 public:
  struct Options {
    bool serviceMode = false;
    std::u16string pipeName;  // the broker's pipe unless set
    // After a shutdown was answered and the connection closed. Console
    // mode: close every file and end the process with exit code 1.
    std::function<void(BrokerServer&)> onShutdown;
  };

  explicit BrokerServer(Options options);
  BrokerServer(const BrokerServer&) = delete;
  BrokerServer& operator=(const BrokerServer&) = delete;

  // Takes the single-instance mutex and starts the listener. False when
  // another broker holds the mutex or the listener cannot start.
  bool Start();

  OpenFileRegistry& Registry() { return registry_; }
  // Waits for requests in progress and lets no further request run, for
  // good: files can then be closed under every worker's feet safely.
  void StopServing() { gate_.lock(); }
  uint32_t ConnectionCount() const { return connections_.load(); }

 private:
  void Listen();
  void Serve(class ConnectionWorker* worker);

  Options options_;
  platform::NamedMutex instance_;
  OpenFileRegistry registry_;
  std::atomic<uint32_t> connections_{0};
  std::atomic<uint64_t> nextId_{1};
  std::shared_mutex gate_;  // shared per request, exclusive once stopping
};

// The console-mode end: every registered file closed, exit code 1.
void EndConsoleBroker(BrokerServer& server);

}  // namespace vard::fsb
