#pragma once
// Raw loopback sockets for the test servers that a server library cannot
// play (a relay, a server that misbehaves on purpose). POSIX only.
#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace vard::http_testing {

// 127.0.0.1 at `port`.
sockaddr_in Loopback(uint16_t port);
// A TCP socket listening on a free loopback port, which *port receives.
// Throws std::runtime_error naming `who` when it cannot.
int ListenOnLoopback(uint16_t* port, const char* who);
// Sends all `n` bytes; false when the peer is gone.
bool SendAll(int fd, const char* data, size_t n);

}  // namespace vard::http_testing
