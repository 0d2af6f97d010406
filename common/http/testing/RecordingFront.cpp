#include "common/http/testing/RecordingFront.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "common/http/testing/LoopbackSocket.h"

namespace vard::http_testing {

RecordingFront::RecordingFront(uint16_t backendPort) : backendPort_(backendPort) {
  listener_ = ListenOnLoopback(&port_, "recording front");
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

RecordingFront::~RecordingFront() {
  stopping_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  ::close(listener_);
  for (auto& t : relays_) t.join();
}

std::vector<std::string> RecordingFront::Connections() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<std::string> RecordingFront::AnsweredConnections() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (size_t i = 0; i < records_.size(); ++i) out.push_back(records_[i].substr(0, answered_[i]));
  return out;
}

void RecordingFront::Clear() {
  std::lock_guard lock(mutex_);
  for (auto& r : records_) r.clear();
  for (auto& a : answered_) a = 0;
}

void RecordingFront::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard lock(mutex_);
    records_.emplace_back();
    answered_.push_back(0);
    relays_.emplace_back([this, client, index = records_.size() - 1] { Relay(client, index); });
  }
}

void RecordingFront::Relay(int client, size_t record) {
  const int backend = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(backendPort_);
  if (::connect(backend, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(backend);
    ::close(client);
    return;
  }
  const int one = 1;
  ::setsockopt(backend, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  char buffer[65536];
  bool clientOpen = true;
  while (!stopping_) {
    pollfd p[2] = {{client, static_cast<short>(clientOpen ? POLLIN : 0), 0}, {backend, POLLIN, 0}};
    if (::poll(p, 2, 100) <= 0) continue;
    if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) {
        // The client is done sending; let the answer finish.
        clientOpen = false;
        ::shutdown(backend, SHUT_WR);
      } else {
        {
          std::lock_guard lock(mutex_);
          records_[record].append(buffer, static_cast<size_t>(n));
        }
        if (!SendAll(backend, buffer, static_cast<size_t>(n))) break;
      }
    }
    if (p[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t n = ::recv(backend, buffer, sizeof buffer, 0);
      if (n > 0) {
        std::lock_guard lock(mutex_);
        answered_[record] = records_[record].size();
      }
      if (n <= 0 || !SendAll(client, buffer, static_cast<size_t>(n))) break;
    }
  }
  ::close(backend);
  ::close(client);
}

std::vector<std::string> SplitRequests(const std::string& raw) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < raw.size()) {
    const size_t headEnd = raw.find("\r\n\r\n", pos);
    if (headEnd == std::string::npos) {
      out.push_back(raw.substr(pos));
      break;
    }
    size_t length = 0;
    for (size_t line = raw.find("\r\n", pos); line < headEnd; line = raw.find("\r\n", line + 2)) {
      if (strncasecmp(raw.c_str() + line + 2, "Content-Length:", 15) == 0)
        length = std::strtoull(raw.c_str() + line + 17, nullptr, 10);
    }
    const size_t end = std::min(raw.size(), headEnd + 4 + length);
    out.push_back(raw.substr(pos, end - pos));
    pos = end;
  }
  return out;
}

}  // namespace vard::http_testing
