#include "tools/bridge/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vard::bridge {
namespace {

std::optional<Json> Parse(std::string_view text) { return ParseJson(text, nullptr); }

TEST(JsonTest, ReadsAMessageAndWritesItBack) {
  const auto v = Parse(R"( {"id":7,"op":"call","name":"AppendFile","args":["/d/1","보고서.pdf",null,true,-2.5e0]} )");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Find("id")->AsWhole(), 7);
  EXPECT_EQ(v->Find("args")->Items()[1].AsString(), "보고서.pdf");
  EXPECT_EQ(WriteJson(*v),
            R"({"id":7,"op":"call","name":"AppendFile","args":["/d/1","보고서.pdf",null,true,-2.5]})");
}

TEST(JsonTest, EscapesComeOutAsTheirCharacters) {
  const auto v = Parse(R"(["a\"b\\c\/\n\t\u0001\uD55C\ud83d\ude00"])");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Items()[0].AsString(), "a\"b\\c/\n\t\x01한\xF0\x9F\x98\x80");
  EXPECT_EQ(WriteJson(Json::String("\x01\x1F\b\x7F\"")), "\"\\u0001\\u001f\\u0008\x7F\\\"\"");
  // Written back as valid JSON that reads the same.
  const auto again = Parse(WriteJson(*v));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Items()[0].AsString(), v->Items()[0].AsString());
}

TEST(JsonTest, RefusesWhatIsNotJson) {
  for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "{\"a\":1,}", "01", "1.", "-", "1e", "+1", "'x'",
                          "tru", "nul", "[1] x", "\"open", "\"tab\there\"", "\"\\x\"", "\"\\u12\"",
                          "\"\\uDC00\"", "\"\\uD800\"", "\"\\uD800\\u0041\"", "1e400", "{1:2}", "NaN"}) {
    std::string why;
    EXPECT_FALSE(ParseJson(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

TEST(JsonTest, RefusesBytesThatAreNotUtf8) {
  for (const char* bad : {"\"\xFF\"", "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"", "\"\xE2\x82\"",
                          "\"\x80\""})
    EXPECT_FALSE(Parse(bad)) << bad;
  EXPECT_TRUE(Parse("\"\xF4\x8F\xBF\xBF\""));  // U+10FFFF, the last one
}

TEST(JsonTest, NestingIsBoundedWithoutCrashing) {
  EXPECT_TRUE(Parse(std::string(64, '[') + std::string(64, ']')));
  EXPECT_FALSE(Parse(std::string(65, '[') + std::string(65, ']')));
  EXPECT_FALSE(Parse(std::string(100000, '[')));
}

TEST(JsonTest, WholeNumbersAreThoseAnIntegerHolds) {
  EXPECT_EQ(Parse("-9223372036854775808")->AsWhole(), INT64_MIN);
  EXPECT_FALSE(Parse("9223372036854775808")->AsWhole());
  EXPECT_FALSE(Parse("1.5")->AsWhole());
  EXPECT_EQ(Parse("1e3")->AsWhole(), 1000);
  EXPECT_EQ(WriteJson(Json::Number(4294967295.0)), "4294967295");
  EXPECT_EQ(WriteJson(Json::Number(0.1)), "0.10000000000000001");
}

// Two members of one name are refused: which one counts would depend on
// the reader. Names compare as read, escapes undone.
TEST(JsonTest, AMemberNamedTwiceIsRefused) {
  for (const char* bad : {R"({"op":"get","op":"put"})", R"({"a":1,"\u0061":2})", R"({"x":{"a":1,"b":2,"a":3}})",
                          R"([{"":1,"":1}])"}) {
    std::string why;
    EXPECT_FALSE(ParseJson(bad, &why)) << bad;
    EXPECT_NE(why.find("appears twice"), std::string::npos) << why;
  }
  EXPECT_TRUE(Parse(R"({"a":{"a":1},"b":[{"a":2},{"a":3}],"A":4})"));  // other objects, other case
  // Past the pairwise check: names in a table, the second "k17" last.
  std::string many = "{";
  for (int i = 0; i < 5000; ++i) many += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  const auto unique = Parse(many.substr(0, many.size() - 1) + "}");
  ASSERT_TRUE(unique);
  EXPECT_EQ(unique->Members().size(), 5000u);
  EXPECT_EQ(unique->Find("k4999")->AsWhole(), 4999);
  EXPECT_FALSE(Parse(many + "\"k17\":0}"));
}

TEST(JsonTest, DepthAndValuesAreBounded) {
  const size_t mib = 1024 * 1024;
  // Deep: refused at the 65th level, whatever follows.
  for (const std::string& deep : {std::string(mib, '['), std::string(mib / 2, '[') + std::string(mib / 2, ']'),
                                  [] {
                                    std::string t;
                                    while (t.size() < 1024 * 1024) t += "{\"a\":";
                                    return t;
                                  }()}) {
    std::string why;
    EXPECT_FALSE(ParseJson(deep, &why));
    EXPECT_NE(why.find("nested too deeply"), std::string::npos) << why;
  }
  // 64 levels: 62 arrays, an object, a number.
  const std::string bound = std::string(62, '[') + "{\"a\":0}" + std::string(62, ']');
  EXPECT_TRUE(Parse(bound));
  EXPECT_FALSE(Parse("[" + bound + "]"));
  // Wide: 65,536 values read, one more refused.
  std::string wide = "[0";
  for (int i = 1; i < 65535; ++i) wide += ",0";
  const auto most = Parse(wide + "]");
  ASSERT_TRUE(most);
  EXPECT_EQ(most->Items().size(), 65535u);
  std::string why;
  EXPECT_FALSE(ParseJson(wide + ",0]", &why));
  EXPECT_NE(why.find("too many values"), std::string::npos) << why;
  EXPECT_FALSE(Parse("[" + wide + "],[]]"));
}

// The reader counts items ahead to size its vectors: brackets and commas
// inside strings must not mislead what it reads.
TEST(JsonTest, BracketsInsideStringsAreText) {
  std::string text = "[";
  for (int i = 0; i < 40; ++i) text += R"("],[{,\"\\",)";
  text += R"({"}":[1,2],"[,":"\\"}])";
  const auto v = Parse(text);
  ASSERT_TRUE(v);
  ASSERT_EQ(v->Items().size(), 41u);
  EXPECT_EQ(v->Items().capacity(), 41u);  // allocated once, at its size
  EXPECT_EQ(v->Items()[39].AsString(), "],[{,\"\\");
  EXPECT_EQ(v->Items()[40].Find("}")->Items().size(), 2u);
  EXPECT_EQ(v->Items()[40].Find("[,")->AsString(), "\\");
}

TEST(JsonTest, TrickyStringsReadAsTheyMean) {
  const struct {
    const char* json;
    std::string text;
  } cases[] = {
      {R"("")", ""},
      {R"("\u0000")", std::string(1, '\0')},
      {R"("a\u0000b")", std::string("a\0b", 3)},
      {R"("\u00e9\u00E9")", "\xC3\xA9\xC3\xA9"},
      {R"("\u07FF\u0800\uFFFF")", "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
      {R"("\uD800\uDC00")", "\xF0\x90\x80\x80"},    // the first pair
      {R"("\uDBFF\uDFFF")", "\xF4\x8F\xBF\xBF"},    // the last
      {R"("\ud83d\ude00x")", "\xF0\x9F\x98\x80x"},  // a pair, then text
      {"\"\xF0\x9F\x98\x80\\n\xED\x9F\xBF\"", "\xF0\x9F\x98\x80\n\xED\x9F\xBF"},  // raw, U+D7FF
      {R"("\/\\\"\b\f\n\r\t")", "/\\\"\b\f\n\r\t"},
      {"\"\x7F\"", "\x7F"},
  };
  for (const auto& c : cases) {
    const auto v = Parse(c.json);
    ASSERT_TRUE(v) << c.json;
    EXPECT_EQ(v->AsString(), c.text) << c.json;
  }
  for (const char* bad : {R"("\uD83D\n")", R"("\uD83D")", R"("\uDE00\uD83D")", R"("\uD83D\uD83D")", R"("\u00G0")",
                          R"("\U00e9")", "\"\\\"", "\"\xC3\"", "\"\xF0\x9F\x98\""})
    EXPECT_FALSE(Parse(bad)) << bad;
}

TEST(JsonTest, NumbersAtTheEdgesOfADouble) {
  const struct {
    const char* json;
    double value;
  } cases[] = {
      {"0", 0.0},
      {"-0", -0.0},
      {"-0.0e0", -0.0},
      {"123456789012345", 123456789012345.0},  // read directly
      {"-999999999999999", -999999999999999.0},
      {"9007199254740993", 9007199254740992.0},  // rounds to even
      {"1234567890123456789012", 1.234567890123456789012e21},
      {"1E2", 100.0},
      {"1e+2", 100.0},
      {"0.1", 0.1},
      {"1.7976931348623157e308", 1.7976931348623157e308},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},  // the smallest
      {"1e-400", 0.0},  // too small: zero, as a page's script reads it
      {"-1e-400", -0.0},
      {"0.000000000000000000000000000000000000001e-300", 0.0},
      {"1e-99999999999999999999", 0.0},
      {"0e99999999999999999999", 0.0},
      {"100e-310", 1e-308},
  };
  for (const auto& c : cases) {
    const auto v = Parse(c.json);
    ASSERT_TRUE(v) << c.json;
    EXPECT_EQ(v->AsNumber(), c.value) << c.json;
    EXPECT_EQ(std::signbit(v->AsNumber()), std::signbit(c.value)) << c.json;
  }
  EXPECT_DOUBLE_EQ(Parse("0." + std::string(5000, '3'))->AsNumber(), 1.0 / 3);
  for (const std::string& big : {std::string("1.7976931348623159e308"), std::string("-1e309"),
                                 std::string("1e99999999999999999999"), "1" + std::string(400, '0'),
                                 "0." + std::string(400, '0') + "1e800"}) {
    std::string why;
    EXPECT_FALSE(ParseJson(big, &why)) << big;
    EXPECT_NE(why.find("beyond range"), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace vard::bridge
