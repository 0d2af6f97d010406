#include "common/text/Base64.h"

#include <cstdint>

#include "common/platform/CodePage.h"

namespace vard {
namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DigitValue(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) |
                       uint8_t(bytes[i + 2]);
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    if (rest == 2) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

std::string Base64Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;
  for (char ch : text) {
    const int d = DigitValue(static_cast<unsigned char>(ch));
    if (d < 0) continue;
    bits = (bits << 6) | uint32_t(d);
    if (++count == 4) {
      out.push_back(char((bits >> 16) & 0xFF));
      out.push_back(char((bits >> 8) & 0xFF));
      out.push_back(char(bits & 0xFF));
      bits = 0;
      count = 0;
    }
  }
  // 2 digits hold 12 bits (one byte), 3 hold 18 (two); 1 holds no whole byte.
  if (count == 2) {
    out.push_back(char((bits >> 4) & 0xFF));
  } else if (count == 3) {
    out.push_back(char((bits >> 10) & 0xFF));
    out.push_back(char((bits >> 2) & 0xFF));
  }
  return out;
}

std::u16string Base64EncodeText(std::u16string_view text) {
  const std::string encoded = Base64Encode(platform::Utf16ToAnsi(text));
  return std::u16string(encoded.begin(), encoded.end());
}

std::u16string Base64DecodeText(std::u16string_view text) {
  return platform::AnsiToUtf16(Base64Decode(platform::Utf16ToAnsi(text)));
}

}  // namespace vard
