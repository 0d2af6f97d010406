#include "SizeFormat.h"

#include <cmath>

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
  int64_t divisor;
  const char16_t* unit;
  if (size / 1024 / 1024 >= 1024) {
    divisor = 1073741824LL;
    unit = u"GB";
  } else if (size / 1024 < 1024) {
    divisor = 1024;
    unit = u"KB";
  } else {
    divisor = 1048576LL;
    unit = u"MB";
  }
  const int64_t whole = size / divisor;
  std::u16string text = FormatThousands(whole);
  if (decimals > 0) {
    const double exact = static_cast<double>(size) / static_cast<double>(divisor);
    const double fraction = std::fabs(exact - static_cast<double>(whole));
    const int64_t f = static_cast<int64_t>(fraction * std::pow(10.0, decimals));
    std::u16string digits;
    for (int64_t v = f; v; v /= 10) digits.insert(digits.begin(), static_cast<char16_t>(u'0' + v % 10));
    while (static_cast<int>(digits.size()) < decimals) digits.insert(digits.begin(), u'0');
    text += u'.';
    text += digits;
  }
  return text + unit;
}

}  // namespace vard
