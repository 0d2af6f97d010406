// The worker's statuses on their way to the view: a busy spell wakes the UI
// thread a few times, never once per file, and nothing is lost, reordered
// or left waiting.
#include <gtest/gtest.h>

#include <string>

#include "agent/jobs/ThreadManager.h"
#include "agent/tests/TransferViewFixture.h"
#include "agent/views/StatusMailbox.h"
#include "common/text/Utf.h"

namespace vard::testing {
namespace {

namespace id = view_id;
using Notice = StatusMailbox::Notice;

constexpr uint32_t kTimer = 0x7777;
constexpr uint32_t kFrame = 50;

class StatusMailboxTest : public ::testing::Test {
 protected:
  void Make(std::function<void(const std::vector<Notice>&)> extra = nullptr) {
    box = std::make_unique<StatusMailbox>(
        ui, [this](std::function<void()> task) { return ui.Post(std::move(task)); }, kTimer, kFrame,
        [this, extra](const std::vector<Notice>& notices) {
          std::string batch;
          for (const auto& n : notices) batch += static_cast<char>('0' + n.status);
          batches.push_back(batch);
          if (extra) extra(notices);
        });
  }
  uint64_t Push(int status) { return box->Push({status, nullptr, 0}); }
  void PushFiles(int files) {
    for (int i = 0; i < files; ++i) {
      Push(kStatusFileStart);
      Push(kStatusFileEnd);
    }
  }

  platform::testing::FakeClock clock;
  ManualUiThread ui{clock};
  std::unique_ptr<StatusMailbox> box;
  std::vector<std::string> batches;
};

TEST_F(StatusMailboxTest, ABusySpellIsHandledInOrderInAFewBatches) {
  Make();
  Push(kStatusRunStart);
  ui.RunPending();
  EXPECT_EQ(batches, std::vector<std::string>{"0"});
  PushFiles(300);
  ui.RunPending();  // within the frame: waits for the timer
  EXPECT_EQ(batches.size(), 1u);
  EXPECT_TRUE(ui.HasTimer(kTimer));
  clock.Advance(kFrame);
  ui.RunPending();
  ASSERT_EQ(batches.size(), 2u);
  std::string files;
  for (int i = 0; i < 300; ++i) files += "34";
  EXPECT_EQ(batches[1], files);
  EXPECT_FALSE(ui.HasTimer(kTimer));
  EXPECT_LE(box->WakeUps(), 3u);

  // After a quiet spell the first notice is handled at once.
  clock.Advance(kFrame);
  Push(kStatusFileStart);
  ui.RunPending();
  EXPECT_EQ(batches.back(), "3");
}

TEST_F(StatusMailboxTest, TheRunsEndIsHandledAtOnceAfterWhatCameBeforeIt) {
  Make();
  Push(kStatusRunStart);
  ui.RunPending();
  PushFiles(2);
  ui.RunPending();
  ASSERT_TRUE(ui.HasTimer(kTimer));
  const uint64_t end = Push(kStatusRunEnd);
  ui.RunPending();  // no time passed: the end does not wait for the frame
  EXPECT_EQ(batches.back(), "34347");
  EXPECT_FALSE(ui.HasTimer(kTimer));
  const uint64_t before = clock.Elapsed();
  EXPECT_TRUE(box->WaitHandled(end, 100));
  EXPECT_EQ(clock.Elapsed(), before);

  // Nobody runs the UI thread: the worker's wait ends after its bound.
  const uint64_t late = Push(kStatusRunEnd);
  EXPECT_FALSE(box->WaitHandled(late, 100));
  EXPECT_GE(clock.Elapsed() - before, 100u);
  ui.RunPending();
  EXPECT_EQ(batches.back(), "7");  // late, but handled
}

TEST_F(StatusMailboxTest, AnEndedLoopRefusesTheNoticeAndNobodyWaitsForIt) {
  Make();
  ui.End();
  const uint64_t number = Push(kStatusRunEnd);
  EXPECT_EQ(number, 0u);
  const uint64_t before = clock.Elapsed();
  EXPECT_FALSE(box->WaitHandled(number, 100));
  EXPECT_EQ(clock.Elapsed(), before);
}

TEST_F(StatusMailboxTest, ANestedLoopDuringABatchKeepsTheOrderAndTheTimerGoesWithTheMailbox) {
  bool nested = false;
  Make([&](const std::vector<Notice>& notices) {
    if (nested || notices.front().status != kStatusRunStart) return;
    nested = true;
    // A modal box's loop: the worker goes on and the timer comes due.
    PushFiles(1);
    clock.Advance(kFrame);
    box->Drain();
    batches.push_back("after");
  });
  Push(kStatusRunStart);
  ui.RunPending();
  EXPECT_EQ(batches, (std::vector<std::string>{"0", "after", "34"}));
  EXPECT_FALSE(ui.HasTimer(kTimer));

  Push(kStatusFileStart);
  ui.RunPending();
  Push(kStatusFileEnd);
  ui.RunPending();
  ASSERT_TRUE(ui.HasTimer(kTimer));
  box.reset();
  EXPECT_FALSE(ui.HasTimer(kTimer));
}

// Through the view: a run through many files never waits for the UI
// thread between files, and the view ends up as if it had seen each one.
TEST_F(TransferViewTest, ARunThroughManyFilesNeitherWaitsForTheViewNorWakesItPerFile) {
  std::vector<std::pair<std::u16string, int64_t>> files;
  for (int i = 0; i < 200; ++i) files.push_back({u"f" + AsciiToUtf16(std::to_string(i)) + u".bin", 10});
  MakeDownload(files);
  const size_t tasksBefore = ui.Measured().tasks;
  const uint64_t start = clock.Elapsed();
  view->OnCommand(id::kStart);
  // Nobody runs the UI thread during the run: only its start and end wait,
  // each for its bound.
  while (job->IsRunning()) std::this_thread::yield();
  EXPECT_LE(clock.Elapsed() - start, 250u);
  ui.RunPending();
  clock.Advance(kStatusFrameMs);
  ui.RunPending();
  EXPECT_LE(ui.Measured().tasks - tasksBefore, 10u);
  EXPECT_EQ(Row(199, 3), u"Done");
  EXPECT_EQ(Form(id::kCurrentFile), files.back().first);
  EXPECT_EQ(Form(id::kFileCount), u"Files : 200 / 200 (0.00KB / 1.95KB)");
  EXPECT_EQ(Form(id::kSizeText), u"1.95KB / 1.95KB");
  EXPECT_EQ(view->Progress(), 1000);
  EXPECT_TRUE(view->Form().Enabled(id::kStart));
  EXPECT_TRUE(view->Finished());
}

// The worker's question comes after what it said before it, even when that
// would otherwise wait for the frame.
TEST_F(TransferViewTest, AQuestionFromTheWorkerComesAfterTheStatusesSentBeforeIt) {
  MakeDownload({{u"a.txt", 10}, {u"b.txt", 10}});
  view->OnThreadStatus(kStatusFileStart);  // here the test is the worker
  ui.RunPending();
  ASSERT_EQ(Form(id::kCurrentFile), u"a.txt");
  {
    CInternetThreadBase::TransferGuard lock(job->TransferLock());
    job->index = 1;
  }
  view->OnThreadStatus(kStatusFileStart);
  std::u16string seen;
  view->PostGuarded([&] { seen = Form(id::kCurrentFile); });
  ui.RunPending();
  EXPECT_EQ(seen, u"b.txt");
}

}  // namespace
}  // namespace vard::testing
