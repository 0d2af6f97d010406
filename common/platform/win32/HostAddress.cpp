#include "common/platform/HostAddress.h"

#include <winsock2.h>

namespace vard::platform {

std::string FirstHostAddress() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 0), &data) != 0) return {};
  std::string address;
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) == 0) {
    const hostent* host = ::gethostbyname(name);
    if (host && host->h_addrtype == AF_INET && host->h_addr_list && host->h_addr_list[0]) {
      in_addr a;
      memcpy(&a, host->h_addr_list[0], sizeof a);
      address = ::inet_ntoa(a);
    }
  }
  ::WSACleanup();
  return address;
}

}  // namespace vard::platform
