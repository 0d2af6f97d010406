#include "common/http/testing/HostileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "common/http/testing/LoopbackSocket.h"

namespace vard::http_testing {
namespace {

bool SendAll(int fd, const std::string& text) { return http_testing::SendAll(fd, text.data(), text.size()); }

std::string Answer200(const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n" + extra + "\r\n" + body;
}

std::string HeaderOf(const std::string& head, const char* name) {
  const std::string key = std::string("\r\n") + name + ":";
  for (size_t at = 0; (at = head.find("\r\n", at)) != std::string::npos; at += 2) {
    if (strncasecmp(head.c_str() + at, key.c_str(), key.size()) != 0) continue;
    size_t start = at + key.size();
    while (start < head.size() && head[start] == ' ') ++start;
    return head.substr(start, head.find("\r\n", start) - start);
  }
  return {};
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> QueryValues(const std::string& target, const std::string& name) {
  std::vector<std::string> values;
  const size_t q = target.find('?');
  if (q == std::string::npos) return values;
  size_t start = q + 1;
  while (start <= target.size()) {
    size_t end = target.find('&', start);
    if (end == std::string::npos) end = target.size();
    const std::string pair = target.substr(start, end - start);
    if (pair.rfind(name + "=", 0) == 0) values.push_back(PercentDecode(pair.substr(name.size() + 1)));
    start = end + 1;
  }
  return values;
}

HostileServer::HostileServer() {
  listener_ = ListenOnLoopback(&port_, "hostile server");
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HostileServer::~HostileServer() {
  stopping_ = true;
  ::shutdown(listener_, SHUT_RDWR);
  acceptor_.join();
  ::close(listener_);
  {
    std::lock_guard lock(mutex_);
    for (int fd : open_) ::shutdown(fd, SHUT_RDWR);
  }
  for (auto& t : threads_) t.join();
}

std::pair<int, int> HostileServer::Count(const std::string& tag) const {
  std::lock_guard lock(mutex_);
  auto it = tallies_.find(tag);
  return it == tallies_.end() ? std::pair{0, 0} : std::pair{it->second.connections, it->second.requests};
}

std::string HostileServer::Heads(const std::string& tag) const {
  std::lock_guard lock(mutex_);
  auto it = tallies_.find(tag);
  return it == tallies_.end() ? std::string() : it->second.heads;
}

void HostileServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    const int fd = ::accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    open_.insert(fd);
    threads_.emplace_back([this, fd] { Serve(fd); });
  }
}

void HostileServer::Hold(int fd) {
  char sink[4096];
  while (!stopping_) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    if (::recv(fd, sink, sizeof sink, 0) <= 0) return;
  }
}

void HostileServer::Ignore() {
  while (!stopping_) ::poll(nullptr, 0, 100);
}

void HostileServer::Serve(int fd) {
  std::string buffer;
  std::set<std::string> tagsSeen;
  char chunk[16384];
  bool open = true;
  while (open && !stopping_) {
    const size_t end = buffer.find("\r\n\r\n");
    if (end == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer.append(chunk, static_cast<size_t>(n));
      continue;
    }
    const std::string head = buffer.substr(0, end + 4);
    if (head.find(" /deaf") != std::string::npos) {
      Answer(fd, head, {}, tagsSeen);
      break;
    }
    const size_t length = std::strtoull(HeaderOf(head, "Content-Length").c_str(), nullptr, 10);
    while (buffer.size() < end + 4 + length && !stopping_) {
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer.append(chunk, static_cast<size_t>(n));
    }
    if (buffer.size() < end + 4 + length) break;
    const std::string body = buffer.substr(end + 4, length);
    buffer.erase(0, end + 4 + length);
    open = Answer(fd, head, body, tagsSeen);
  }
  {
    std::lock_guard lock(mutex_);
    open_.erase(fd);
  }
  ::close(fd);
}

bool HostileServer::Answer(int fd, const std::string& head, const std::string& body,
                           std::set<std::string>& tagsSeen) {
  const size_t sp1 = head.find(' '), sp2 = head.find(' ', sp1 + 1);
  const std::string method = head.substr(0, sp1), target = head.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string path = target.substr(0, target.find('?'));
  const auto tags = QueryValues(target, "t");
  const std::string tag = tags.empty() ? std::string() : tags.front();
  auto first = [&](const char* name, const std::string& fallback) {
    const auto v = QueryValues(target, name);
    return v.empty() ? fallback : v.front();
  };
  if (path.rfind("/_", 0) == 0) {
    const auto [connections, requests] = Count(first("t", ""));
    const std::string answer =
        path == "/_heads" ? Heads(first("t", "")) : std::to_string(connections) + " " + std::to_string(requests);
    return SendAll(fd, Answer200(answer));
  }
  {
    std::lock_guard lock(mutex_);
    Tally& tally = tallies_[tag];
    if (tagsSeen.insert(tag).second) ++tally.connections;
    ++tally.requests;
    tally.heads += head;
  }
  if (path == "/deaf") {
    Ignore();
    return false;
  }
  if (path == "/silent") {
    Hold(fd);
    return false;
  }
  if (path == "/endless") {
    if (SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n")) Hold(fd);
    return false;
  }
  if (path == "/trickle") {
    const int every = std::atoi(first("every", "1000").c_str()), length = std::atoi(first("n", "1000").c_str());
    if (!SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n")) return false;
    for (int i = 0; i < length && !stopping_; ++i) {
      if (!SendAll(fd, "x")) return false;
      // Sleeps in steps, so the server stops promptly.
      for (int waited = 0; waited < every && !stopping_; waited += 50) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
          char c;
          if (::recv(fd, &c, 1, MSG_PEEK) <= 0) return false;
        }
      }
    }
    return true;
  }
  if (path == "/loop" || path == "/to") {
    const std::string location = path == "/loop" ? target : first("url", "/ok");
    const std::string code = first("code", "302");
    return SendAll(fd, "HTTP/1.1 " + code + " Moved\r\nLocation: " + location +
                           "\r\nContent-Length: 0\r\n\r\n");
  }
  if (path == "/cookies") {
    std::string extra;
    for (const auto& text : QueryValues(target, "set")) extra += "Set-Cookie: " + text + "\r\n";
    return SendAll(fd, Answer200("cookies", extra));
  }
  if (path == "/echo") return SendAll(fd, Answer200(method + " " + std::to_string(body.size())));
  if (path == "/ok") {
    const auto size = QueryValues(target, "n");
    return SendAll(fd, Answer200(size.empty() ? "ok" : std::string(std::strtoul(size[0].c_str(), nullptr, 10), 'k')));
  }
  SendAll(fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  return false;
}

}  // namespace vard::http_testing
