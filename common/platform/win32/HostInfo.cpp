#include "common/platform/HostInfo.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace vard::platform {
namespace {

class Win32HostInfo : public IHostInfo {
 public:
  std::vector<uint32_t> Ipv4Addresses() override {
    // Grow the buffer to what the system asks for instead of failing on
    // machines with many addresses.
    std::vector<uint8_t> buffer(sizeof(DWORD) + 33 * sizeof(MIB_IPADDRROW));
    ULONG size = ULONG(buffer.size());
    DWORD rc = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, TRUE);
    for (int tries = 0; rc == ERROR_INSUFFICIENT_BUFFER && tries < 4; ++tries) {
      buffer.resize(size);
      rc = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, TRUE);
    }
    std::vector<uint32_t> addresses;
    if (rc != NO_ERROR) return addresses;
    const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) addresses.push_back(table->table[i].dwAddr);
    return addresses;
  }

  std::vector<HardwareAddress> AdapterAddresses() override {
    std::vector<uint8_t> buffer(16 * sizeof(IP_ADAPTER_INFO));
    ULONG size = ULONG(buffer.size());
    DWORD rc = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    for (int tries = 0; rc == ERROR_BUFFER_OVERFLOW && tries < 4; ++tries) {
      buffer.resize(size);
      rc = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    std::vector<HardwareAddress> adapters;
    if (rc != NO_ERROR) return adapters;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); a; a = a->Next) {
      // The field holds 8 bytes; the text shows the first six whatever the length.
      adapters.emplace_back(a->Address, a->Address + sizeof a->Address);
    }
    return adapters;
  }
};

}  // namespace

IHostInfo& SystemHostInfo() {
  static Win32HostInfo host;
  return host;
}

}  // namespace vard::platform
