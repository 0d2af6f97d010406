#include "common/platform/HostAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

namespace vard::platform {

std::string FirstHostAddress() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name, nullptr, &hints, &list) != 0 || !list) return {};
  char text[INET_ADDRSTRLEN] = {};
  const auto* a = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
  const bool ok = ::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text) != nullptr;
  ::freeaddrinfo(list);
  return ok ? text : std::string();
}

}  // namespace vard::platform
