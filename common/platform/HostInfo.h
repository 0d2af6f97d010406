#pragma once
// Facts about the machine's network interfaces, read fresh on every call.
#include <cstdint>
#include <string>
#include <vector>

namespace vard::platform {

// Hardware address bytes of one adapter (usually 6).
using HardwareAddress = std::vector<uint8_t>;

class IHostInfo {
 public:
  virtual ~IHostInfo() = default;
  // IPv4 addresses in the system's ascending order, as network-order
  // 32-bit values (a.b.c.d with a in the lowest byte, as Windows stores
  // them); empty when the query fails.
  virtual std::vector<uint32_t> Ipv4Addresses() = 0;
  // One entry per network adapter; empty when the query fails.
  virtual std::vector<HardwareAddress> AdapterAddresses() = 0;
};

// The real backend of this target.
IHostInfo& SystemHostInfo();

}  // namespace vard::platform

namespace vard {

// The control's address table: dotted-decimal texts in the system's order,
// without "127.0.0.1" (other loop-back or link-local addresses stay).
std::vector<std::u16string> IpAddressTable(platform::IHostInfo& host);

// "%.2x:%.2x:%.2x:%.2x:%.2x:%.2x" of the first six bytes (missing bytes
// read as zero, as in the system's fixed-size address field).
std::u16string FormatHardwareAddress(const platform::HardwareAddress& address);

}  // namespace vard
