#include "fsb/BrokerServer.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <thread>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/FileSystem.h"
#include "fsb/BrokerDispatcher.h"

namespace vard::fsb {

class ConnectionWorker {
 public:
  ConnectionWorker(platform::PipeEnd pipe, uint64_t id) : pipe(std::move(pipe)) { state.id = id; }
  platform::PipeEnd pipe;
  ConnectionState state;
};

namespace {
constexpr uint32_t kClosingGraceMs = 500;
// How long a stopping broker tries to wake its own listener.
constexpr uint32_t kStopListeningMs = 1000;

BrokerServer::Options WithPipeName(BrokerServer::Options options) {
  if (options.pipeName.empty()) options.pipeName = kPipeName;
  return options;
}
}  // namespace

BrokerServer::BrokerServer(Options options, platform::IClock& clock)
    : options_(WithPipeName(std::move(options))), clock_(clock), listener_(options_.pipeName, kMessageMax, clock) {}

BrokerServer::StartResult BrokerServer::Start() {
  bool existed = false;
  instance_ = platform::NamedMutex::Create(kInstanceMutexName, &existed, clock_);
  if (!instance_.IsValid()) return StartResult::kNoMutex;
  if (existed) {
    instance_.Close();
    return StartResult::kOtherBrokerRuns;
  }
  auto release = [this](StartResult result) {
    const uint32_t error = platform::LastError();
    instance_.Close();
    platform::SetLastErrorCode(error);
    return result;
  };
  if (!listener_.Open()) return release(StartResult::kNoPipe);
  listening_ = true;
  try {
    std::thread([this] { Listen(); }).detach();
  } catch (const std::system_error&) {
    listening_ = false;
    return release(StartResult::kNoThread);
  }
  return StartResult::kServing;
}

void BrokerServer::Listen() {
  struct Ended {
    std::atomic<bool>& listening;
    ~Ended() { listening = false; }
  } ended{listening_};
  for (;;) {
    bool fatal = false;
    platform::PipeEnd pipe = listener_.Accept(&fatal);
    if (stopping_) {
      listener_.Close();
      return;
    }
    if (fatal) return;
    if (!pipe.IsOpen()) continue;
    auto* worker = new (std::nothrow) ConnectionWorker(std::move(pipe), nextId_++);
    if (!worker) return;
    ++connections_;
    {
      std::lock_guard lock(workersMutex_);
      workers_.push_back(worker);
    }
    try {
      std::thread([this, worker] { Serve(worker); }).detach();
    } catch (const std::system_error&) {
      {
        std::lock_guard lock(workersMutex_);
        workers_.remove(worker);
      }
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
      // A client that closed and at once asks for the shutdown on a new
      // connection must not be refused because of its own old one. Where
      // the system cannot tell a closed client at once, its worker is given
      // a moment to notice.
      if (header.opcode == VDFS_SHUTDOWN) clock_.WaitUntil([this] { return LiveConnections() < 2; }, kClosingGraceMs, 5);
      std::shared_lock<std::shared_mutex> serving(gate_);
      const bool counts = header.opcode == VDFS_QUERY || header.opcode == VDFS_SHUTDOWN;
      DispatchContext context{&registry_, options_.serviceMode, counts ? LiveConnections() : connections_.load()};
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
  {
    std::lock_guard lock(workersMutex_);
    workers_.remove(worker);
  }
  worker->pipe.Close();
  owned.reset();
  --connections_;
  registry_.CloseAll(id);
  if (shutdown) {
    StopListening();
    clock_.Sleep(500);
    if (options_.onShutdown) options_.onShutdown(*this);
  }
}

void BrokerServer::StopListening() {
  stopping_ = true;
  // A connection of our own wakes the listener from its wait.
  bool woken = false;
  clock_.WaitUntil(
      [this, &woken] {
        if (!woken && listening_) woken = platform::ConnectPipe(options_.pipeName).IsOpen();
        return !listening_;
      },
      kStopListeningMs, 1);
  instance_.Close();
}

uint32_t BrokerServer::LiveConnections() {
  std::lock_guard lock(workersMutex_);
  uint32_t live = 0;
  for (const ConnectionWorker* worker : workers_)
    if (!worker->pipe.PeerHasLeft()) ++live;
  return live;
}

void EndConsoleBroker(BrokerServer& server) {
  // Another client may have come during the pause; its requests must not
  // touch files closed here.
  server.StopServing();
  server.Registry().CloseEverything();
  std::_Exit(1);
}

}  // namespace vard::fsb
