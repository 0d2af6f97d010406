// The requests a program window's socket takes apart.
#include "common/platform/posix/WindowRequest.h"

#include <gtest/gtest.h>

#include <string>

namespace vard::platform::posix {
namespace {

using Verb = WindowRequestParts::Verb;

TEST(WindowRequest, EveryVerbWithItsArguments) {
  WindowRequestParts p;
  std::string why;
  ASSERT_TRUE(ParseWindowRequest("send VardInsert 12 -34", &p, &why));
  EXPECT_EQ(p.verb, Verb::kSend);
  EXPECT_EQ(p.name, "VardInsert");
  EXPECT_EQ(p.wParam, 12u);
  EXPECT_EQ(p.lParam, -34);
  // A name with blanks: the numbers are the last two words.
  ASSERT_TRUE(ParseWindowRequest("send a b c 0 9", &p, &why));
  EXPECT_EQ(p.name, "a b c");
  EXPECT_EQ(p.lParam, 9);
  ASSERT_TRUE(ParseWindowRequest(SendRequestText("x", UINTPTR_MAX, INTPTR_MIN), &p, &why));
  EXPECT_EQ(p.wParam, UINTPTR_MAX);
  EXPECT_EQ(p.lParam, INTPTR_MIN);

  ASSERT_TRUE(ParseWindowRequest("command 1001", &p, &why));
  EXPECT_EQ(p.verb, Verb::kCommand);
  EXPECT_EQ(p.controlId, 1001);
  ASSERT_TRUE(ParseWindowRequest("close 0", &p, &why));
  EXPECT_EQ(p.verb, Verb::kClose);
  ASSERT_TRUE(ParseWindowRequest("foreground", &p, &why));
  EXPECT_EQ(p.verb, Verb::kForeground);
  ASSERT_TRUE(ParseWindowRequest("dump", &p, &why));
  EXPECT_EQ(p.verb, Verb::kDump);
}

TEST(WindowRequest, AnythingElseIsRefusedWithAReason) {
  const char* bad[] = {
      "",           "dance",         "DUMP",           "dump ",          "foreground 1",  "dump\n",
      "command",    "command x",     "command 1 2",    "command 99999999999",            "close -1",
      "close",      "close 1x",      "send",           "send x",         "send x 1",      "send 1 2",
      "send  1 2",  "send x +1 2",   "send x 1 2.5",   "send x -1 2",    "send x 1 2 ",   "send x 1 99999999999999999999",
  };
  for (const char* text : bad) {
    WindowRequestParts p;
    std::string why;
    EXPECT_FALSE(ParseWindowRequest(text, &p, &why)) << text;
    EXPECT_FALSE(why.empty()) << text;
  }
  WindowRequestParts p;
  std::string why;
  EXPECT_TRUE(ParseWindowRequest("send " + std::string(kMaxWindowRequest - 9, 'n') + " 1 2", &p, &why));
  EXPECT_FALSE(ParseWindowRequest("send " + std::string(kMaxWindowRequest - 8, 'n') + " 1 2", &p, &why));
  EXPECT_EQ(why, "request too long");
}

}  // namespace
}  // namespace vard::platform::posix
