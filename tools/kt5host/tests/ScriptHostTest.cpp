#include "tools/kt5host/ScriptHost.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"
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

namespace vard {
namespace {

std::string Quoted(const std::u16string& text) {
  std::string q = "\"";
  for (char c : Utf16ToUtf8(text)) {
    if (c == '\\' || c == '"') q += '\\';
    q += c;
  }
  return q + "\"";
}

// Child mode on the console: the appended files fill the embedded dialog,
// the script presses its Start, and the end of each run reaches the page.
TEST(ScriptHostChildMode, TheEmbeddedDialogRunsTheAppendedFilesAndItsEndRaisesTheEvent) {
  platform::testing::TestFolder folder;
  std::ostringstream out;
  ScriptHost host(out, ComposeControlServices());
  std::istringstream script(
      "childstart\n"
      "param ChildMode true\n"
      "param SetFolder " + Quoted(folder.Path()) + "\n"
      "create\n"
      "call AppendFile \"http://127.0.0.1:1/a.bin\" a.bin 10\n"
      "call RemoveAllFiles\n"
      "childstart\n"
      "call AppendFile \"ftp://127.0.0.1/b.bin\" b.bin 10\n"
      "childstart\n");
  EXPECT_FALSE(host.Run(script));  // the first line: no dialog yet
  const std::string o = out.str();
  EXPECT_NE(o.find("line 1: no embedded download dialog"), std::string::npos) << o;
  // Both runs fail (nothing listens on port 1; ftp is not fetched): each
  // raises the error event.
  size_t errors = 0;
  for (size_t at = o.find("event OnDownloadError()"); at != std::string::npos; at = o.find("event OnDownloadError()", at + 1))
    ++errors;
  EXPECT_EQ(errors, 2u) << o;
  EXPECT_FALSE(platform::PathExists(folder / u"a.bin"));
}

}  // namespace
}  // namespace vard
