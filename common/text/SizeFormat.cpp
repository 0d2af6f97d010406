#include "SizeFormat.h"

namespace vard {

std::u16string FormatThousands(int64_t value) {
  const bool negative = value < 0;
  uint64_t v = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::u16string digits;
  int n = 0;
  do {
    if (n && n % 3 == 0) digits.insert(digits.begin(), u',');
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + v % 10));
    v /= 10;
    ++n;
  } while (v);
  if (negative) digits.insert(digits.begin(), u'-');
  return digits;
}

std::u16string FormatSize(int64_t size, int decimals) {
  uint64_t divisor;
  const char16_t* unit;
  if (size / 1024 / 1024 >= 1024) {
    divisor = 1073741824ULL;
    unit = u"GB";
  } else if (size / 1024 < 1024) {
    divisor = 1024;
    unit = u"KB";
  } else {
    divisor = 1048576ULL;
    unit = u"MB";
  }
  // Integers only: a double cannot hold size / divisor exactly beyond 2^53.
  const bool negative = size < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(size) : static_cast<uint64_t>(size);
  std::u16string text = negative ? u"-" : u"";
  text += FormatThousands(static_cast<int64_t>(magnitude / divisor));
  if (decimals > 0) {
    text += u'.';
    // Long division, one digit at a time: truncated, never rounded.
    uint64_t rest = magnitude % divisor;
    for (int i = 0; i < decimals; ++i) {
      rest *= 10;
      text += static_cast<char16_t>(u'0' + rest / divisor);
      rest %= divisor;
    }
  }
  return text + unit;
}

}  // namespace vard
