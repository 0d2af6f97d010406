#include "common/platform/PublicSuffix.h"

#include <algorithm>
#include <iterator>

namespace vard::platform {

bool KnownSecondLevelSuffix(std::u16string_view domain) {
  if (domain.empty()) return false;
  const size_t dot = domain.find(u'.');
  if (dot == std::u16string_view::npos) return true;
  const std::u16string_view second = domain.substr(0, dot), top = domain.substr(dot + 1);
  if (top.size() != 2 || top.find(u'.') != std::u16string_view::npos) return false;
  // Sorted.
  static constexpr std::u16string_view kSecondLevels[] = {
      u"ac", u"biz", u"co", u"com", u"edu", u"gen", u"go", u"gov", u"gv", u"ind", u"info", u"lg", u"ltd",
      u"me", u"mil", u"ne", u"net", u"nhs", u"nic", u"or", u"org", u"pe", u"plc", u"re", u"sch", u"web"};
  return std::binary_search(std::begin(kSecondLevels), std::end(kSecondLevels), second);
}

}  // namespace vard::platform
