// A worker that goes away (the view's end, the process's end) never waits
// without bound for a run blocked in a network call. All waits are on a
// fake clock; only the blocked call itself is real.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "agent/jobs/WorkerDialogs.h"
#include "agent/testing/NoDialogs.h"
#include "agent/tests/TransferViewFixture.h"
#include "common/platform/testing/FakeClock.h"

namespace vard::testing {
namespace {

using platform::testing::FakeClock;
namespace id = view_id;

// A blocking call's state; it outlives the worker so that tests can look.
struct BlockedCall {
  std::mutex mutex;
  std::condition_variable wake;
  bool inside = false;
  bool aborted = false;
  bool released = false;
  bool returned = false;
  bool deaf = false;  // closing the handles does not end the call

  void Release() {
    std::lock_guard<std::mutex> lock(mutex);
    released = true;
    wake.notify_all();
  }
};

// Blocks in its run, deaf to the stop request, until its handles are closed.
class BlockingWorker final : public CInternetThreadImpl {
 public:
  BlockingWorker(EntryList& entries, IWorkerDialogs& dialogs, platform::IClock& clock, BlockedCall& call)
      : CInternetThreadImpl(entries, dialogs, nullptr, clock), call_(call) {}
  ~BlockingWorker() override { StopForGood(); }

  void WaitInside() {
    std::unique_lock<std::mutex> lock(call_.mutex);
    call_.wake.wait(lock, [&] { return call_.inside; });
  }

 protected:
  void Run() override {
    std::unique_lock<std::mutex> lock(call_.mutex);
    call_.inside = true;
    call_.wake.notify_all();
    call_.wake.wait(lock, [&] { return (call_.aborted && !call_.deaf) || call_.released; });
    call_.returned = true;
  }
  void AbortBlockingCalls() override {
    std::lock_guard<std::mutex> lock(call_.mutex);
    call_.aborted = true;
    call_.wake.notify_all();
  }

 private:
  BlockedCall& call_;
};

// Runs `end` on a thread of its own; fails (after letting the call go) when
// it does not return in real time.
void EndsInTime(const std::function<void()>& end, BlockedCall* call = nullptr,
                FakeTransferJob* job = nullptr) {
  auto ending = std::async(std::launch::async, end);
  if (ending.wait_for(std::chrono::seconds(20)) == std::future_status::ready) return;
  if (call) call->Release();
  if (job) job->Unblock();
  ending.wait();
  FAIL() << "the end waited for the blocked run";
}

class WorkerEndTest : public ::testing::Test {
 protected:
  FakeClock clock;
  EntryList entries;
  NoDialogs dialogs;
  BlockedCall call;
};

TEST_F(WorkerEndTest, AGoingWorkerClosesTheHandlesOfABlockedRunAfterItsGrace) {
  auto worker = std::make_unique<BlockingWorker>(entries, dialogs, clock, call);
  // The second grace may pass on the fake clock before the broken call
  // has returned in real time.
  worker->SetStuckRunHandler([&] { call.Release(); });
  worker->Start();
  worker->WaitInside();
  const uint64_t start = clock.Elapsed();
  EndsInTime([&] { worker.reset(); }, &call);
  EXPECT_TRUE(call.aborted);
  EXPECT_TRUE(call.returned);
  // The fake clock's grace passes at once; the broken call returns in real
  // time, so only the first grace is certain here.
  EXPECT_GE(clock.Elapsed() - start, CInternetThreadBase::kEndGraceMs);
}

TEST_F(WorkerEndTest, ARunDeafToTheClosedHandlesGoesToTheStuckHandlerAfterBothGraces) {
  call.deaf = true;
  auto worker = std::make_unique<BlockingWorker>(entries, dialogs, clock, call);
  int stuck = 0;
  // Production ends the process here; the test lets the call go instead.
  worker->SetStuckRunHandler([&] {
    ++stuck;
    EXPECT_FALSE(call.returned);
    call.Release();
  });
  worker->Start();
  worker->WaitInside();
  const uint64_t start = clock.Elapsed();
  EndsInTime([&] { worker.reset(); }, &call);
  EXPECT_EQ(stuck, 1);
  EXPECT_TRUE(call.aborted);
  EXPECT_GE(clock.Elapsed() - start, 2 * CInternetThreadBase::kEndGraceMs);
}

TEST_F(WorkerEndTest, ARunThatEndedByItselfIsNeitherAbortedNorWaitedFor) {
  auto worker = std::make_unique<BlockingWorker>(entries, dialogs, clock, call);
  worker->SetStuckRunHandler([] { ADD_FAILURE() << "not stuck"; });
  worker->Start();
  worker->WaitInside();
  call.Release();  // the call returns on its own
  while (worker->IsRunning()) std::this_thread::yield();
  const uint64_t start = clock.Elapsed();
  EndsInTime([&] { worker.reset(); });
  EXPECT_EQ(clock.Elapsed(), start);
  EXPECT_FALSE(call.aborted);
  EXPECT_TRUE(call.returned);

  // Never started: nothing to wait for.
  auto idle = std::make_unique<BlockingWorker>(entries, dialogs, clock, call);
  const uint64_t before = clock.Elapsed();
  idle.reset();
  EXPECT_EQ(clock.Elapsed(), before);
}

TEST_F(WorkerEndTest, AfterAClosingThatGaveUpTheEndGivesOneGraceOnly) {
  call.deaf = true;
  auto worker = std::make_unique<BlockingWorker>(entries, dialogs, clock, call);
  worker->SetStuckRunHandler([&] { call.Release(); });
  worker->Start();
  worker->WaitInside();
  uint64_t start = clock.Elapsed();
  EXPECT_FALSE(worker->StopWithin(CInternetThreadBase::kEndGraceMs));  // the window's close gave up
  EXPECT_GE(clock.Elapsed() - start, 2 * CInternetThreadBase::kEndGraceMs);
  start = clock.Elapsed();
  EndsInTime([&] { worker.reset(); }, &call);
  const uint64_t waited = clock.Elapsed() - start;
  EXPECT_GE(waited, CInternetThreadBase::kEndGraceMs);
  EXPECT_LT(waited, 2 * CInternetThreadBase::kEndGraceMs);
}

// The view going away with its window ends its worker the same way.
TEST_F(TransferViewTest, AViewGoingAwayNeverWaitsWithoutBoundForItsBlockedWorker) {
  FakeJobScript script;
  script.blockBytes = 1000;
  script.blockAtJobBytes = 2000;
  script.deafToAbort = true;
  MakeDownload({{u"a.bin", 100000}}, script);
  int stuck = 0;
  job->SetStuckRunHandler([&] {
    ++stuck;
    job->Unblock();
  });
  Press(id::kStart);
  ASSERT_TRUE(ui.PumpUntil([&] { return job->Blocked(); }));
  const uint64_t start = clock.Elapsed();
  EndsInTime([&] { view->OnDestroy(); }, nullptr, job);
  EXPECT_EQ(stuck, 1);
  EXPECT_TRUE(job->Aborted());
  EXPECT_FALSE(job->IsRunning());
  EXPECT_GE(clock.Elapsed() - start, 2 * CInternetThreadBase::kEndGraceMs);
  view.reset();  // nothing left to wait for
}

}  // namespace
}  // namespace vard::testing
