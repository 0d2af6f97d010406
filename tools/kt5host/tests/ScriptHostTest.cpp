#include "tools/kt5host/ScriptHost.h"

#include <gtest/gtest.h>

#include <sstream>

#include "control/ControlComposition.h"

namespace vard {
namespace {

TEST(ScriptHost, WordsAndValues) {
  const auto w = SplitScriptLine("call AppendFile \"a b \\\"c\\\"\" 5 - true");
  ASSERT_EQ(w.size(), 6u);
  EXPECT_EQ(ParseScriptValue(w[2]).text, u"a b \"c\"");
  EXPECT_EQ(ParseScriptValue(w[3]).type, Variant::Type::kI4);
  EXPECT_TRUE(ParseScriptValue(w[4]).IsEmpty());
  EXPECT_EQ(ParseScriptValue(w[5]).number, -1);
  EXPECT_EQ(ParseScriptValue("\"5\"").type, Variant::Type::kString);
  EXPECT_EQ(ParseScriptValue(SplitScriptLine("\"5\"")[0]).type, Variant::Type::kString);
  EXPECT_EQ(ParseScriptValue("5000000000").type, Variant::Type::kI8);
}

TEST(ScriptHost, RunsAScriptAndPrintsResultsAndEvents) {
  std::ostringstream out;
  ScriptHost host(out, ComposeControlServices());
  std::istringstream script(
      "# grouped list\n"
      "param FolderType TYPE2\n"
      "pageurl http://host/page.html\n"
      "create 300 200\n"
      "put FolderType type1\n"
      "get FolderType\n"
      "call AppendFile files/a.txt docs/a.txt 100\n"
      "call AppendFile files/b.txt DOCS/b.txt 50\n"
      "get GetCount\n"
      "get GetFileURL 0\n"
      "get GetFileName 1\n"
      "select 0\n"
      "dialogresult 2\n"
      "call StartSelectDownload\n"
      "bogus\n");
  EXPECT_FALSE(host.Run(script));  // the last line is not understood
  const std::string text = out.str();
  EXPECT_NE(text.find("= \"type2\""), std::string::npos) << text;
  EXPECT_NE(text.find("= 2\n"), std::string::npos);
  EXPECT_NE(text.find("\"http://host/files/a.txt\""), std::string::npos);
  EXPECT_NE(text.find("= (empty)"), std::string::npos);
  EXPECT_NE(text.find("download dialog: 2 item(s)"), std::string::npos);
  EXPECT_NE(text.find("event OnDownloadCancel()"), std::string::npos);
  EXPECT_NE(text.find("cannot understand"), std::string::npos);
}

}  // namespace
}  // namespace vard
