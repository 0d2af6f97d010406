#pragma once
// A loopback HTTP server that misbehaves on purpose, one way per path, so
// tests show a client ends every wait and refuses what it must refuse.
// Raw sockets: a well-behaved server library cannot stall mid-header.
//
//   /silent               reads the request, never answers
//   /deaf                 reads the request head, then neither reads nor answers
//   /endless              a status line and one header, never the blank line
//   /trickle?every=<ms>&n=<bytes>  200 with an n-byte body (1000), one byte
//                         every <ms> (1000), the first at once
//   /loop                 302 to itself, for ever
//   /to?url=<url>&code=<n>  redirect <n> (302 unless given) to <url>
//   /cookies?set=<text>   answers "Set-Cookie: <text>" for each set= given
//   /echo                 200, body "<method> <body length>"
//   /ok?n=<bytes>         200 "ok" (or n bytes), the connection kept alive
// Every request may carry t=<tag>; connections and requests are counted and
// request heads kept by tag:
//   /_count?t=<tag>       "<connections> <requests>"
//   /_heads?t=<tag>       the heads received, each ending in a blank line
// Query values are percent-decoded.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vard::http_testing {

class HostileServer {
 public:
  HostileServer();
  ~HostileServer();
  HostileServer(const HostileServer&) = delete;
  HostileServer& operator=(const HostileServer&) = delete;

  uint16_t Port() const { return port_; }
  // Connections that carried a request of the tag, and those requests.
  std::pair<int, int> Count(const std::string& tag) const;
  std::string Heads(const std::string& tag) const;

 private:
  struct Tally {
    int connections = 0, requests = 0;
    std::string heads;
  };
  void AcceptLoop();
  void Serve(int fd);
  // False when the connection is to end.
  bool Answer(int fd, const std::string& head, const std::string& body, std::set<std::string>& tagsSeen);
  // Holds a connection open, saying nothing, until the peer leaves or the
  // server stops.
  void Hold(int fd);
  // Stays silent and reads nothing more until the server stops.
  void Ignore();

  uint16_t port_ = 0;
  int listener_ = -1;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Tally> tallies_;
  std::set<int> open_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

// "a%20b" -> "a b" ('+' stays: tests encode what they mean).
std::string PercentDecode(const std::string& text);
// The decoded values of `name` in the query of a request target.
std::vector<std::string> QueryValues(const std::string& target, const std::string& name);

}  // namespace vard::http_testing
