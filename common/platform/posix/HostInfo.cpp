#include "common/platform/HostInfo.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

#include <algorithm>
#include <map>
#include <string>

namespace vard::platform {
namespace {

// Byte-wise order a.b.c.d, as the system's sorted address table.
uint32_t SortKey(uint32_t networkOrder) {
  return ((networkOrder & 0xFF) << 24) | ((networkOrder & 0xFF00) << 8) | ((networkOrder >> 8) & 0xFF00) |
         (networkOrder >> 24);
}

class PosixHostInfo : public IHostInfo {
 public:
  std::vector<uint32_t> Ipv4Addresses() override {
    std::vector<uint32_t> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return addresses;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
      const auto* in = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
      const auto* b = reinterpret_cast<const uint8_t*>(&in->sin_addr.s_addr);
      addresses.push_back(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                          (uint32_t(b[3]) << 24));
    }
    freeifaddrs(list);
    std::sort(addresses.begin(), addresses.end(),
              [](uint32_t a, uint32_t b) { return SortKey(a) < SortKey(b); });
    return addresses;
  }

  std::vector<HardwareAddress> AdapterAddresses() override {
    // One entry per interface with a link-layer address; the loop-back
    // interface is no adapter, as on Windows.
    std::map<std::string, HardwareAddress> byName;
    std::vector<std::string> order;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    for (ifaddrs* i = list; i; i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_PACKET || (i->ifa_flags & IFF_LOOPBACK)) continue;
      const auto* ll = reinterpret_cast<const sockaddr_ll*>(i->ifa_addr);
      const size_t length = std::min<size_t>(ll->sll_halen, sizeof ll->sll_addr);
      if (!byName.count(i->ifa_name)) order.push_back(i->ifa_name);
      byName[i->ifa_name] = HardwareAddress(ll->sll_addr, ll->sll_addr + length);
    }
    freeifaddrs(list);
    std::vector<HardwareAddress> adapters;
    for (const std::string& name : order) adapters.push_back(byName[name]);
    return adapters;
  }
};

}  // namespace

IHostInfo& SystemHostInfo() {
  static PosixHostInfo host;
  return host;
}

}  // namespace vard::platform
