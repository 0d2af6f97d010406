#include "common/platform/HostInfo.h"

#include <cstdio>

#include "common/platform/CodePage.h"

namespace vard {

std::vector<std::u16string> IpAddressTable(platform::IHostInfo& host) {
  std::vector<std::u16string> table;
  for (uint32_t address : host.Ipv4Addresses()) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFF, (address >> 8) & 0xFF,
                  (address >> 16) & 0xFF, address >> 24);
    std::u16string wide = platform::AnsiToUtf16(text);
    if (wide != u"127.0.0.1") table.push_back(std::move(wide));
  }
  return table;
}

std::u16string FormatHardwareAddress(const platform::HardwareAddress& address) {
  uint8_t b[6] = {};
  for (size_t i = 0; i < 6 && i < address.size(); ++i) b[i] = address[i];
  char text[18];
  std::snprintf(text, sizeof text, "%.2x:%.2x:%.2x:%.2x:%.2x:%.2x", b[0], b[1], b[2], b[3], b[4], b[5]);
  return std::u16string(text, text + 17);
}

}  // namespace vard
