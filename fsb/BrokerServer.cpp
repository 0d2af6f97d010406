#include "fsb/BrokerServer.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Pipe.h"
#include "fsb/BrokerDispatcher.h"

namespace vard::fsb {

class ConnectionWorker {
 public:
  ConnectionWorker(platform::PipeEnd pipe, uint64_t id) : pipe(std::move(pipe)) { state.id = id; }
  platform::PipeEnd pipe;
  ConnectionState state;
};

BrokerServer::BrokerServer(Options options) : options_(std::move(options)) {
  if (options_.pipeName.empty()) options_.pipeName = kPipeName;
}

bool BrokerServer::Start() {
  bool existed = false;
  instance_ = platform::NamedMutex::Create(kInstanceMutexName, &existed);
  if (!instance_.IsValid() || existed) {
    instance_.Close();
    return false;
  }
  try {
    std::thread([this] { Listen(); }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void BrokerServer::Listen() {
  platform::PipeListener listener(options_.pipeName, kMessageMax);
  for (;;) {
    bool fatal = false;
    platform::PipeEnd pipe = listener.Accept(&fatal);
    if (fatal) return;
    if (!pipe.IsOpen()) continue;
    auto* worker = new (std::nothrow) ConnectionWorker(std::move(pipe), nextId_++);
    if (!worker) return;
    ++connections_;
    try {
      std::thread([this, worker] { Serve(worker); }).detach();
    } catch (const std::system_error&) {
      --connections_;
      delete worker;
      return;
    }
  }
}

void BrokerServer::Serve(ConnectionWorker* worker) {
  std::unique_ptr<ConnectionWorker> owned(worker);
  std::unique_ptr<uint8_t[]> request(new (std::nothrow) uint8_t[kMessageMax]);
  std::unique_ptr<uint8_t[]> response(new (std::nothrow) uint8_t[kMessageMax]);
  bool shutdown = false;
  while (request && response) {
    // Only the header can be read short (it reads zero-padded); payload
    // bytes are never read beyond what arrived.
    std::memset(request.get(), 0, kHeaderSize);
    uint32_t got = 0;
    if (!worker->pipe.ReadMessage(request.get(), kMessageMax, &got) || got == 0) break;
    BrokerRequest header{};
    std::span<const uint8_t> payload;
    if (!DecodeRequest({request.get(), got}, &header, &payload)) continue;  // no answer without the magic
    uint32_t length = 0;
    {
      std::shared_lock<std::shared_mutex> serving(gate_);
      DispatchContext context{&registry_, options_.serviceMode, connections_.load()};
      length = Dispatch(header, payload, worker->state, context, response.get(), &shutdown);
    }
    uint32_t written = 0;
    if (!worker->pipe.WriteMessage(response.get(), length, &written) || written != length) {
      shutdown = false;  // only an answered shutdown ends the broker
      break;
    }
    if (shutdown) break;
  }
  const uint64_t id = worker->state.id;
  worker->pipe.Close();
  owned.reset();
  --connections_;
  registry_.CloseAll(id);
  if (shutdown) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    if (options_.onShutdown) options_.onShutdown(*this);
  }
}

void EndConsoleBroker(BrokerServer& server) {
  // Another client may have come during the pause; its requests must not
  // touch files closed here.
  server.StopServing();
  server.Registry().CloseEverything();
  std::_Exit(1);
}

}  // namespace vard::fsb
