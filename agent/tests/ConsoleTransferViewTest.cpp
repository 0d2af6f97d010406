#include "agent/views/ConsoleTransferView.h"

#include <gtest/gtest.h>

#include <sstream>

#include "agent/tests/TransferViewFixture.h"

namespace vard::testing {
namespace {

namespace id = view_id;

class ConsoleViewTest : public TransferViewTest {
 protected:
  void MakeConsole(bool live, FakeJobScript script = {}) {
    Hand({{u"a.txt", 2048}, {u"b.txt", 4096}});
    Make(AgentMode::kDownload, std::move(script));
    ConsoleViewOptions o;
    o.out = &out;
    o.live = live;
    o.redrawMs = 0;
    console = std::make_unique<ConsoleTransferView>(*view, ui, o);
    view->AttachWindow(console.get());
    view->OnCreate();
  }
  void TearDown() override {
    view.reset();
    console.reset();
    TransferViewTest::TearDown();
  }
  std::ostringstream out;
  std::unique_ptr<ConsoleTransferView> console;
};

TEST_F(ConsoleViewTest, WithoutATerminalItWritesOneLinePerEvent) {
  MakeConsole(false);
  Press(id::kStart);
  Finish();
  const std::string log = out.str();
  EXPECT_NE(log.find("2 entries\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Transfer started\n"), std::string::npos) << log;
  EXPECT_NE(log.find("> a.txt\n"), std::string::npos) << log;
  EXPECT_NE(log.find("a.txt: Done\n"), std::string::npos) << log;
  EXPECT_NE(log.find("b.txt: Done\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Transfer ended: 6.00KB / 6.00KB\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("\x1b["), std::string::npos) << log;  // no terminal codes
}

TEST_F(ConsoleViewTest, QuestionsGetTheirDocumentedDefaultsAndNeverWait) {
  FakeJobScript script;
  script.existing = {u"a.txt"};
  script.networkFailures[u"b.txt"] = 1;
  script.retrySeconds = 2;
  MakeConsole(false, script);
  Press(id::kStart);
  Finish();
  const std::string log = out.str();
  EXPECT_NE(log.find("<203: Overwrite>"), std::string::npos) << log;
  EXPECT_NE(log.find("] -> 2\n"), std::string::npos) << log;  // skipped
  EXPECT_NE(log.find("재시도 (0)"), std::string::npos) << log;  // ran out and retried
  EXPECT_EQ(Status(0), entry_status::kWaiting);
  EXPECT_EQ(Status(1), entry_status::kDone);
  // Removing what is being transferred: yes.
  Select({0});
  EXPECT_TRUE(console->AskYesNo(u"q", u"c"));
  EXPECT_FALSE(console->BrowseFolder(u"t", u"\\x"));
}

TEST_F(ConsoleViewTest, OnATerminalTheTableIsRedrawnInPlaceWithTotals) {
  FakeJobScript script;
  script.blockBytes = 1024;
  script.pauseAtJobBytes = 3072;
  MakeConsole(true, script);
  Press(id::kStart);
  WaitPaused();
  clock.Advance(600);
  ui.RunPending();
  const auto lines = console->TableLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find("Name"), std::string::npos);
  EXPECT_NE(lines[1].find("a.txt"), std::string::npos);
  EXPECT_NE(lines[1].find("[##########] 100%"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find("> "), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find("[##--------]  25%"), std::string::npos) << lines[2];
  EXPECT_NE(lines[3].find("Total 3.00KB / 6.00KB"), std::string::npos) << lines[3];
  EXPECT_NE(lines[3].find("Time Left"), std::string::npos) << lines[3];
  // Every redraw after the first goes back up over the last table.
  EXPECT_NE(out.str().find("\x1b[4A"), std::string::npos);
  job->Resume();
  Finish();
}

}  // namespace
}  // namespace vard::testing
