#include "common/platform/HostInfo.h"

#include <gtest/gtest.h>

#include <regex>

#include "common/text/Utf.h"

namespace vard {
namespace {

class FakeHost : public platform::IHostInfo {
 public:
  std::vector<uint32_t> addresses;
  std::vector<platform::HardwareAddress> adapters;
  std::vector<uint32_t> Ipv4Addresses() override { return addresses; }
  std::vector<platform::HardwareAddress> AdapterAddresses() override { return adapters; }
};

uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  return uint32_t(a) | (uint32_t(b) << 8) | (uint32_t(c) << 16) | (uint32_t(d) << 24);
}

TEST(IpAddressTable, SkipsOnlyTheExactLoopBackAddress) {
  FakeHost host;
  host.addresses = {Ip(10, 0, 0, 5), Ip(127, 0, 0, 1), Ip(127, 0, 0, 2), Ip(169, 254, 1, 1)};
  EXPECT_EQ(IpAddressTable(host),
            (std::vector<std::u16string>{u"10.0.0.5", u"127.0.0.2", u"169.254.1.1"}));
  host.addresses = {Ip(127, 0, 0, 1)};
  EXPECT_TRUE(IpAddressTable(host).empty());
  host.addresses = {Ip(255, 255, 255, 255)};
  EXPECT_EQ(IpAddressTable(host), std::vector<std::u16string>{u"255.255.255.255"});
}

TEST(FormatHardwareAddress, LowerCaseHexOfTheFirstSixBytes) {
  EXPECT_EQ(FormatHardwareAddress({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), u"00:1a:2b:3c:4d:5e");
  EXPECT_EQ(FormatHardwareAddress({0xFF, 1, 2, 3, 4, 5, 6, 7}), u"ff:01:02:03:04:05");
  EXPECT_EQ(FormatHardwareAddress({0xAB}), u"ab:00:00:00:00:00");
}

TEST(SystemHostInfo, AddressesAreSortedAndAdaptersFormat) {
  auto& host = platform::SystemHostInfo();
  const auto addresses = host.Ipv4Addresses();
  auto key = [](uint32_t a) {
    return ((a & 0xFF) << 24) | ((a & 0xFF00) << 8) | ((a >> 8) & 0xFF00) | (a >> 24);
  };
  for (size_t i = 1; i < addresses.size(); ++i) EXPECT_LE(key(addresses[i - 1]), key(addresses[i]));
  const std::regex mac("([0-9a-f]{2}:){5}[0-9a-f]{2}");
  for (const auto& adapter : host.AdapterAddresses()) {
    EXPECT_TRUE(std::regex_match(Utf16ToUtf8(FormatHardwareAddress(adapter)), mac));
  }
  for (const auto& text : IpAddressTable(host)) EXPECT_NE(text, u"127.0.0.1");
}

}  // namespace
}  // namespace vard
