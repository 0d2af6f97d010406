// The real agent in upload mode, handed a batch by kt5upload as a page
// component would: the files reach the test server's upload store whole.
#include <gtest/gtest.h>

#include <algorithm>

#include "agent/tests/JobTestSupport.h"
#include "agent/tests/UploadTestSupport.h"
#include "common/handoff/AgentNames.h"
#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/Process.h"
#include "common/platform/WindowMessenger.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace p = platform;
using testing::DataBytes;
using testing::UploadSite;
using testing::WriteAll;

std::u16string Program(const char* path) {
  std::u16string s = Utf8ToUtf16(path);
  std::replace(s.begin(), s.end(), u'/', u'\\');
  return s;
}

// A folder as the environment names it: POSIX paths are "\\x\\y" inside.
std::string EnvironmentPath(const std::u16string& path) {
  std::string out = Utf16ToUtf8(path);
  if (!out.empty() && out[0] == '\\') std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

class UploadProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    // The agent's mutex, sockets, settings and cookies are this test's own
    // (POSIX; Windows keeps one session, hence the lock in the build).
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
      const std::u16string sub = dir / AsciiToUtf16(name);
      p::MakeDirectory(sub);
      p::SetEnv(name, EnvironmentPath(sub).c_str());
    }
    EndAgent();
  }
  void TearDown() override { EndAgent(); }
  static void EndAgent() {
    if (auto main = p::FindProgramWindow(kUploadMainClass)) p::PostClose(*main, 1);
    p::SystemClock().WaitUntil([] { return !p::NamedMutex::Exists(kUploadAgentMutex); }, 10000, 20);
  }
  int HandOff(const std::vector<std::u16string>& args) {
    std::vector<std::u16string> all = {u"--program", Program(VARD_AGENT_PROGRAM), u"--language", u"en"};
    all.insert(all.end(), args.begin(), args.end());
    p::ChildProcess tool = p::ChildProcess::Start(Program(VARD_KT5UPLOAD_PROGRAM), all);
    int code = -1;
    EXPECT_TRUE(tool.Wait(60000, &code));
    return code;
  }

  p::testing::TestFolder dir;
};

TEST_F(UploadProcess, AHandedOffBatchReachesTheServerWhole) {
  UploadSite site("process");
  const std::u16string a = dir / u"a.bin";
  const std::u16string b = dir / u"b.bin";
  const std::u16string sub = dir / u"sub";
  WriteAll(a, DataBytes(250000));
  WriteAll(b, DataBytes(0));
  ASSERT_TRUE(p::MakeDirectory(sub));
  ASSERT_EQ(HandOff({u"--part-size", u"100000", u"--cookie", u"sid=9", u"--field", u"user=kim", u"--folder", u"up",
                     site.ActionUrl(), a, sub, b}),
            0);
  // The agent starts the job itself (Config_AutoSend) and ends it alone.
  const bool whole = p::SystemClock().WaitUntil(
      [&] { return site.File("up/a.bin") == DataBytes(250000) && site.Records().size() >= 6; }, 60000, 100);
  ASSERT_TRUE(whole);
  const auto records = site.Records();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].Field("_filename"), "a.bin");
  EXPECT_EQ(site.PartLengths(), (std::vector<size_t>{100000, 100000, 50000}));
  EXPECT_EQ(records[4].Field("_isfolder"), "yes");
  EXPECT_EQ(records[5].Field("_filename"), "b.bin");
  for (const auto& r : records) {
    EXPECT_EQ(r.Field("user"), "kim");
    EXPECT_EQ(r.Field("_folder"), "up");
    EXPECT_NE(r.cookie.find("sid=9"), std::string::npos) << r.Line();
  }
  EXPECT_TRUE(site.HasFolder("up/sub"));
}

}  // namespace
}  // namespace vard
