#pragma once
// A loopback TCP relay in front of a server that keeps every byte clients
// send, so tests can check requests exactly as they went over the wire.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vard::http_testing {

class RecordingFront {
 public:
  explicit RecordingFront(uint16_t backendPort);
  ~RecordingFront();
  RecordingFront(const RecordingFront&) = delete;
  RecordingFront& operator=(const RecordingFront&) = delete;

  uint16_t Port() const { return port_; }
  // What each client connection sent so far, in order of acceptance.
  std::vector<std::string> Connections() const;
  // What each connection sent before the server's latest answer on it. A
  // request the server never answered is not there: a client that reused a
  // connection the server had closed sends it again on a new one.
  std::vector<std::string> AnsweredConnections() const;
  void Clear();

 private:
  void AcceptLoop();
  void Relay(int client, size_t record);

  uint16_t backendPort_;
  uint16_t port_ = 0;
  int listener_ = -1;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> records_;
  std::vector<size_t> answered_;  // bytes of each record the server answered
  std::vector<std::thread> relays_;
  std::thread acceptor_;
};

// A recorded connection split into requests (head + Content-Length body).
std::vector<std::string> SplitRequests(const std::string& raw);

}  // namespace vard::http_testing
