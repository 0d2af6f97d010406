#pragma once
// The pipe server: one listener thread, one worker thread per connection.
// The server lives until the process ends; it is made once by the host.
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "common/platform/Clock.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Pipe.h"
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

  enum class StartResult {
    kServing,
    kOtherBrokerRuns,  // another broker holds the single-instance mutex
    kNoMutex,          // the mutex could not be made; LastError() tells why
    kNoPipe,           // the pipe cannot be served; LastError() tells why
    kNoThread,         // the listener thread could not start
  };

  // `clock` paces the pause before a shutdown ends the broker.
  BrokerServer(Options options, platform::IClock& clock);
  BrokerServer(const BrokerServer&) = delete;
  BrokerServer& operator=(const BrokerServer&) = delete;

  // Takes the single-instance mutex, opens the pipe and starts the
  // listener. Serving is only reported once the pipe is open: a broker
  // that held the mutex but served nothing would keep every other broker
  // away. On any failure the mutex is released.
  StartResult Start();
  const std::u16string& PipeName() const { return options_.pipeName; }

  OpenFileRegistry& Registry() { return registry_; }
  // Waits for requests in progress and lets no further request run, for
  // good: files can then be closed under every worker's feet safely.
  void StopServing() { gate_.lock(); }
  uint32_t ConnectionCount() const { return connections_.load(); }
  // Connections whose client has not gone: one the client closed counts
  // out at once, not only when its worker has noticed.
  uint32_t LiveConnections();

 private:
  void Listen();
  void Serve(class ConnectionWorker* worker);
  // After a shutdown was answered: no newcomer reaches this broker on its
  // way out; the mutex goes, so the next client starts a broker of its own.
  void StopListening();

  Options options_;
  platform::IClock& clock_;
  platform::PipeListener listener_;
  platform::NamedMutex instance_;
  OpenFileRegistry registry_;
  std::atomic<uint32_t> connections_{0};
  std::mutex workersMutex_;
  std::list<class ConnectionWorker*> workers_;  // a worker leaves before its pipe closes
  std::atomic<uint64_t> nextId_{1};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> listening_{false};
  std::shared_mutex gate_;  // shared per request, exclusive once stopping
};

// The console-mode end: every registered file closed, exit code 1.
void EndConsoleBroker(BrokerServer& server);

}  // namespace vard::fsb
