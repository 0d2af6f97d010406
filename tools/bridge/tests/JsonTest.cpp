#include "tools/bridge/Json.h"

#include <gtest/gtest.h>

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

TEST(JsonTest, LaterMembersOfTheSameNameWin) {
  const auto v = Parse(R"({"op":"get","op":"put"})");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Find("op")->AsString(), "put");
  EXPECT_EQ(v->Members().size(), 1u);
}

}  // namespace
}  // namespace vard::bridge
