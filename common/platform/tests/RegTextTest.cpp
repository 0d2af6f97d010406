#include "common/platform/RegText.h"

#include <gtest/gtest.h>

namespace vard::platform {
namespace {

const RegValue* Named(const std::vector<RegValue>& values, std::u16string_view name) {
  for (const RegValue& v : values)
    if (SameValueName(v.name, name)) return &v;
  return nullptr;
}

TEST(RegText, WritesTheReadableFormAndReadsItBack) {
  const std::vector<RegValue> values = {
      StringValue(u"DownFolder", u"C:\\Users\\\uAE40\\\"Docs\""),
      DwordValue(u"KT_RetryNum", 0xFFFFFFFEu),
      StringValue(u"", u"default"),
      StringValue(u"Lines", u"a\r\nb"),  // no quoted form for a line break
      RegValue{u"Raw", regtype::kBinary, {0x00, 0xFF, 0x10}},
      RegValue{u"Expand", regtype::kExpandString, {0x41, 0, 0, 0}},
  };
  const std::string text = FormatRegText(u"Software\\vardel\\KTPlus", values);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\vardel\\KTPlus]\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"DownFolder\"=\"C:\\\\Users\\\\\xEA\xB9\x80\\\\\\\"Docs\\\"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"KT_RetryNum\"=dword:fffffffe\r\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Raw\"=hex:00,ff,10\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Expand\"=hex(2):41,00,00,00\r\n"), std::string::npos);

  const std::vector<RegValue> back = ParseRegText(text);
  ASSERT_EQ(back.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(back[i].name, values[i].name);
    EXPECT_EQ(back[i].type, values[i].type);
    EXPECT_EQ(back[i].data, values[i].data);
  }
}

TEST(RegText, DamagedLinesAreSkippedAndTheReadableValuesKept) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\vardel\\VardKT5]\n"
      "\"Good\"=\"one\"\n"
      "\"Unterminated\"=\"abc\n"
      "\"NoValue\"=\n"
      "garbage \x01\x02\xff line\n"
      "\"BadDword\"=dword:12345678901\n"
      "\"BadHex\"=hex:0g,11\n"
      "; a comment\n"
      "\"Trailing\"=\"x\" junk\n"
      "  \"Indented\" = dword:0000002a  \r\n"
      "\"Split\"=hex:01,02,\\\n"
      "    03\n"
      "\"good\"=\"later wins\"\n"
      "\"Last\"=\"no line end\"";
  const std::vector<RegValue> values = ParseRegText(text);
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(StringOfValue(*Named(values, u"GOOD")), u"later wins");
  EXPECT_EQ(Named(values, u"Indented")->data, (std::vector<uint8_t>{0x2a, 0, 0, 0}));
  EXPECT_EQ(Named(values, u"Split")->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(StringOfValue(*Named(values, u"Last")), u"no line end");
}

TEST(RegText, HostileBytesNeverCrashTheReader) {
  std::string text;
  for (int i = 0; i < 4096; ++i) text += static_cast<char>((i * 131 + 7) & 0xFF);
  text += "\n\"x\"=hex(ffffffff1):00\n\"y\"=hex():00\n\"z\"=\\\n\\\n";
  EXPECT_NO_FATAL_FAILURE(ParseRegText(text));
  EXPECT_TRUE(ParseRegText("").empty());
}

}  // namespace
}  // namespace vard::platform
