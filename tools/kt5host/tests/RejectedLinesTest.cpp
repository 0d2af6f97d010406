#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <streambuf>

#include "control/ControlComposition.h"
#include "tools/kt5host/ScriptHost.h"

namespace vard {
namespace {

struct Ran {
  bool ok;
  std::string out;
};

Ran RunScript(std::istream& script) {
  std::ostringstream out;
  ScriptHost host(out, ComposeControlServices());
  const bool ok = host.Run(script);
  return {ok, out.str()};
}

Ran RunScript(const std::string& text) {
  std::istringstream script(text);
  return RunScript(script);
}

// Lines of the output that give a reason for a rejected line.
std::vector<std::string> Reasons(const std::string& out) {
  std::vector<std::string> reasons;
  std::istringstream lines(out);
  for (std::string l; std::getline(lines, l);)
    if (l.rfind("  line ", 0) == 0) reasons.push_back(l.substr(2));
  return reasons;
}

TEST(ScriptHostRejects, EveryBadLineWithOneReasonNamingIt) {
  const Ran r = RunScript(
      "call\n"                          // 1
      "get\n"                           // 2
      "put\n"                           // 3
      "put Language\n"                  // 4
      "call AppendFile \"a.txt\n"       // 5
      "get NoSuch\n"                    // 6
      "# a comment\n"                   // 7
      "\n"                              // 8
      "bogus 1\n"                       // 9
      "select 1 x\n"                    // 10
      "resize 99999999999 5\n"          // 11
      "resize 5\n"                      // 12
      "put GetCount 5\n"                // 13
      "menu 70000\n"                    // 14
      "param Language\n"                // 15
      "get GetCount\n"                  // 16
      "create 300\n");                  // 17
  EXPECT_FALSE(r.ok);
  const std::vector<std::string> expected = {
      "line 1: call needs a member name",
      "line 2: get needs a member name",
      "line 3: put needs a member name and a value",
      "line 4: put Language needs a value",
      "line 5: a quote is not closed",
      "line 6: no member named NoSuch",
      "line 9: cannot understand this line: no command bogus",
      "line 10: x is not a whole number",
      "line 11: 99999999999 is out of range (-2147483648 to 2147483647)",
      "line 12: usage: resize W H",
      "line 13: put GetCount: not a property that can be put",
      "line 14: 70000 is out of range (0 to 65535)",
      "line 15: usage: param NAME VALUE",
      "line 17: usage: create [W H]",
  };
  EXPECT_EQ(Reasons(r.out), expected) << r.out;
  EXPECT_NE(r.out.find("> get GetCount\n  = 0\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("(error"), std::string::npos) << r.out;  // a reason, not a bare code
}

TEST(ScriptHostRejects, GoodLinesStillRunAndSucceed) {
  const Ran r = RunScript(
      "create 300 200\n"
      "call AppendFile x.txt \"a \\\"b\\\".txt\" 5\n"
      "select 0\n"
      "resize 2147483647 -2147483648\n"
      "get GetFileName 0");  // the last line has no line break
  EXPECT_TRUE(r.ok) << r.out;
  EXPECT_TRUE(Reasons(r.out).empty()) << r.out;
  EXPECT_NE(r.out.find("= \"a \"b\".txt\""), std::string::npos) << r.out;
}

// Endless bytes without a line break, made on demand: nothing holds them all.
class Filler final : public std::streambuf {
 public:
  Filler(size_t bytes, std::string tail) : left_(bytes), tail_(std::move(tail)) {}
  size_t Given() const { return given_; }

 protected:
  int_type underflow() override {
    if (left_ == 0) {
      if (tail_.empty()) return traits_type::eof();
      buffer_ = tail_;
      tail_.clear();
    } else {
      buffer_.assign(std::min<size_t>(left_, 1 << 16), 'x');
      left_ -= buffer_.size();
    }
    given_ += buffer_.size();
    setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
    return traits_type::to_int_type(buffer_[0]);
  }

 private:
  size_t left_;
  std::string tail_;
  std::string buffer_;
  size_t given_ = 0;
};

TEST(ScriptHostRejects, OverlongLinesOnceAndWithoutKeepingThem) {
  Filler filler(size_t{64} << 20, "\nget GetCount\n");
  std::istream script(&filler);
  const Ran r = RunScript(script);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Reasons(r.out), std::vector<std::string>{"line 1: longer than 65536 bytes; skipped"});
  EXPECT_NE(r.out.find("> get GetCount\n  = 0\n"), std::string::npos);
  EXPECT_LT(r.out.size(), 1000u);  // the long line is not echoed
  EXPECT_EQ(filler.Given(), (size_t{64} << 20) + 14);

  // The limit itself is still a line.
  const std::string atLimit = "#" + std::string(kMaxScriptLine - 1, 'c');
  EXPECT_TRUE(RunScript(atLimit + "\n" + atLimit).ok);
  const Ran over = RunScript(atLimit + "c\nget GetCount\n" + atLimit + "cc");
  EXPECT_EQ(Reasons(over.out), (std::vector<std::string>{"line 1: longer than 65536 bytes; skipped",
                                                          "line 3: longer than 65536 bytes; skipped"}));
}

TEST(ScriptHostRejects, NumbersBeyondEveryIntegerStayText) {
  EXPECT_EQ(ParseScriptValue("99999999999999999999").type, Variant::Type::kString);
  EXPECT_EQ(ParseScriptValue("-9223372036854775809").type, Variant::Type::kString);
  EXPECT_EQ(ParseScriptValue("-9223372036854775808").number, INT64_MIN);
  EXPECT_EQ(ParseScriptValue("+5").number, 5);
  EXPECT_EQ(ParseScriptValue("5x").type, Variant::Type::kString);
  // Through the control they are arguments that do not convert.
  const Ran r = RunScript(
      "create\n"
      "call AppendFile a.txt - 99999999999999999999\n"
      "call AppendFile b.txt - 9223372036854775807\n"
      "call AppendFile c.txt - 9223372036854775807\n"
      "put ItemWidth 99999999999999999999\n"
      "put LimitRate -99999999999999999999\n"
      "get GetFileSize 99999999999999999999\n"
      "select 0 1 2 2147483647 -2147483648\n"
      "click 2147483647\n"
      "resize -2147483648 2147483647\n"
      "show\n");
  EXPECT_TRUE(r.ok) << r.out;
  EXPECT_NE(r.out.find(" (8,589,934,591.99GB)] ["), std::string::npos) << r.out;  // all files, clamped
}

TEST(ScriptHostAnswers, QuestionsOfTheDownloadDialogCanBeAnsweredAhead) {
  const Ran r = RunScript(
      "answer duplicate overwrite all\n"
      "answer duplicate saveas \"/tmp/x y.bin\"\n"
      "answer stop no\n"
      "answer folder /tmp\n"
      "answer duplicate\n"
      "answer stop maybe\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '='), 4) << r.out;
  ASSERT_EQ(Reasons(r.out).size(), 2u) << r.out;
  EXPECT_EQ(Reasons(r.out)[0].rfind("line 5: usage: answer", 0), 0u) << r.out;
}

}  // namespace
}  // namespace vard
