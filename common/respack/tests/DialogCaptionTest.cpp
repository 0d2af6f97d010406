#include "common/respack/DialogCaption.h"

#include <gtest/gtest.h>

#include <vector>

namespace vard {
namespace {

void Units(std::vector<uint8_t>& out, std::u16string_view text) {
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
}

std::vector<uint8_t> ExtendedTemplate(std::u16string_view menu, bool classOrdinal, std::u16string_view caption) {
  std::vector<uint8_t> t = {1, 0, 0xFF, 0xFF};
  t.resize(t.size() + 12 + 2 + 8, 0);  // help ID, styles, item count, coordinates
  Units(t, menu);
  Units(t, std::u16string(1, u'\0'));
  if (classOrdinal) Units(t, u"\xFFFF\x0020");
  else Units(t, std::u16string(1, u'\0'));
  Units(t, caption);
  Units(t, std::u16string(1, u'\0'));
  return t;
}

TEST(DialogCaption, ExtendedAndClassicTemplates) {
  EXPECT_EQ(DialogCaption(ExtendedTemplate(u"", false, u" File Download")), u" File Download");
  EXPECT_EQ(DialogCaption(ExtendedTemplate(u"MENU", true, u"\uD30C\uC77C")), u"\uD30C\uC77C");
  std::vector<uint8_t> classic(8 + 2 + 8, 0);
  Units(classic, std::u16string(2, u'\0'));
  Units(classic, u"Classic");
  Units(classic, std::u16string(1, u'\0'));
  EXPECT_EQ(DialogCaption(classic), u"Classic");
}

TEST(DialogCaption, DamagedTemplatesGiveNoCaption) {
  std::vector<uint8_t> t = ExtendedTemplate(u"", false, u"Cut here");
  for (size_t n = 0; n + 2 < t.size(); ++n)
    EXPECT_EQ(DialogCaption(std::span<const uint8_t>(t.data(), n)), u"") << n;
}

}  // namespace
}  // namespace vard
