// The transfer against a scripted server and an in-memory file: no sockets.
#include "common/transfer/TransferMachine.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/text/Utf.h"

namespace vard::transfer {
namespace {

std::string Data(size_t from, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (from + i) % 26);
  return s;
}

// One answer of the scripted server.
struct Reply {
  uint32_t status = 200;
  std::optional<std::u16string> range;
  std::optional<std::u16string> length;
  std::string body;
  size_t breakAt = std::string::npos;  // the body breaks off here
  std::u16string from;  // where the answer came from after redirects; empty: not said, "=": the URL asked
};

Reply Whole(const std::string& body, bool withLength = true) {
  Reply r;
  r.body = body;
  if (withLength) r.length = AsciiToUtf16(std::to_string(body.size()));
  return r;
}

// Answers requests from a script; the last reply repeats once the script
// is used up, as a server that always does the same.
class ScriptedRequest final : public ITransferRequest {
 public:
  explicit ScriptedRequest(std::deque<Reply> script) : script_(std::move(script)) {}

  bool Open(const std::u16string& url, const std::u16string& headers, uint32_t& status) override {
    asked.push_back(url + u"|" + headers);
    lastUrl_ = url;
    if (refuse) return false;
    current_ = script_.front();
    if (script_.size() > 1) script_.pop_front();
    at_ = 0;
    status = current_.status;
    return true;
  }
  std::optional<std::u16string> ContentRange() override { return current_.range; }
  std::optional<std::u16string> ContentLength() override { return current_.length; }
  std::optional<uint32_t> Available() override {
    if (at_ >= current_.breakAt) return std::nullopt;
    if (noneWaitingEvery && ++asks_ % noneWaitingEvery == 0) return 0u;  // nothing has arrived yet
    return static_cast<uint32_t>(std::min<size_t>(current_.body.size() - at_, 700));
  }
  std::optional<uint32_t> Read(uint8_t* into, uint32_t count) override {
    const size_t n = std::min<size_t>({count, current_.body.size() - at_, current_.breakAt - at_});
    std::copy_n(current_.body.data() + at_, n, into);
    at_ += n;
    return static_cast<uint32_t>(n);
  }
  std::u16string Url() override { return current_.from == u"=" ? lastUrl_ : current_.from; }
  void Close() override {}

  std::vector<std::u16string> asked;  // url|headers of each request
  bool refuse = false;
  int noneWaitingEvery = 0;  // every n-th look finds no byte waiting, mid-body too

 private:
  int asks_ = 0;
  std::u16string lastUrl_;

 public:

 private:
  std::deque<Reply> script_;
  Reply current_;
  size_t at_ = 0;
};

class MemorySink final : public IFileSink {
 public:
  OutputReady Prepare() override { return ready; }
  bool MakeFolders(const std::u16string&) override { return true; }
  ExistingFile Exists(const std::u16string&) override { return exists ? ExistingFile::kExists : ExistingFile::kMissing; }
  bool Open(const std::u16string&, bool append) override {
    ++opens;
    if (!append) file.clear();
    exists = open = true;
    at = file.size();
    return true;
  }
  int64_t SeekToEnd() override { return static_cast<int64_t>(at = file.size()); }
  bool SeekTo(int64_t offset) override {
    file.resize(static_cast<size_t>(offset));
    at = file.size();
    return true;
  }
  WriteResult Write(const uint8_t* bytes, uint32_t count) override {
    if (onWrite) onWrite();
    if (file.size() + count > failPast) return failure;
    file.replace(at, count, reinterpret_cast<const char*>(bytes), count);
    at += count;
    return WriteResult::kWritten;
  }
  WriteResult Flush() override { return WriteResult::kWritten; }
  bool Close() override { return !(open = false); }
  void Release() override {}
  std::u16string FailureText() const override { return {}; }

  std::string file;
  size_t at = 0;
  bool exists = false, open = false;
  int opens = 0;
  OutputReady ready = OutputReady::kReady;
  size_t failPast = SIZE_MAX;  // a write that would grow the file past this fails
  std::function<void()> onWrite;  // sees each write as it happens
  WriteResult failure = WriteResult::kFailed;
};

class TransferMachineTest : public ::testing::Test {
 protected:
  TransferOutcome Run(std::deque<Reply> script) {
    request = std::make_unique<ScriptedRequest>(std::move(script));
    plan.url = u"http://h/f";
    plan.path = u"C:\\d\\f";
    return TransferMachine(*request, sink, plan, hooks).Run();
  }
  // A file already on disk, resumed as the agent does it.
  void OnDisk(const std::string& bytes) {
    sink.file = bytes;
    sink.exists = true;
    plan.append = true;
    plan.reopenEachRequest = true;
  }

  TransferPlan plan;
  TransferHooks hooks;
  MemorySink sink;
  std::unique_ptr<ScriptedRequest> request;
};

TEST(TransferOutcomeTable, GroupsAndTheRetryRule) {
  EXPECT_EQ(GroupOf(TransferReason::kComplete), ReasonGroup::kNone);
  EXPECT_EQ(GroupOf(TransferReason::kBodyBroken), ReasonGroup::kNetwork);
  EXPECT_EQ(GroupOf(TransferReason::kMisplacedRange), ReasonGroup::kServer);
  EXPECT_EQ(GroupOf(TransferReason::kWriteFailed), ReasonGroup::kFile);
  EXPECT_EQ(GroupOf(TransferReason::kBrokerLost), ReasonGroup::kBroker);
  EXPECT_EQ(GroupOf(TransferReason::kStopped), ReasonGroup::kPerson);
  // Worth another turn: the network, a server that may do better, a broker
  // that went away.
  for (TransferReason r : {TransferReason::kConnectFailed, TransferReason::kBodyBroken, TransferReason::kServerError,
                           TransferReason::kOverlongBody, TransferReason::kMisplacedRange, TransferReason::kNoProgress,
                           TransferReason::kBrokerLost})
    EXPECT_TRUE(ShouldRetry(r)) << static_cast<int>(r);
  // Final: the file, answers that say no, a broker that cannot be had, the person.
  for (TransferReason r : {TransferReason::kComplete, TransferReason::kNotFound, TransferReason::kUnauthorized,
                           TransferReason::kForbidden, TransferReason::kRangeNotSatisfiable,
                           TransferReason::kClientError, TransferReason::kUnusableRange, TransferReason::kOpenFailed,
                           TransferReason::kSizeUnknown, TransferReason::kCutFailed, TransferReason::kWriteFailed,
                           TransferReason::kBrokerUnreachable, TransferReason::kStopped})
    EXPECT_FALSE(ShouldRetry(r)) << static_cast<int>(r);
  EXPECT_EQ(ReasonOfStatus(200), std::nullopt);
  EXPECT_EQ(ReasonOfStatus(206), std::nullopt);
  EXPECT_EQ(ReasonOfStatus(0), std::nullopt);  // no status: the body is taken as it comes
  EXPECT_EQ(ReasonOfStatus(401), TransferReason::kUnauthorized);
  EXPECT_EQ(ReasonOfStatus(403), TransferReason::kForbidden);
  EXPECT_EQ(ReasonOfStatus(404), TransferReason::kNotFound);
  EXPECT_EQ(ReasonOfStatus(416), TransferReason::kRangeNotSatisfiable);
  EXPECT_EQ(ReasonOfStatus(410), TransferReason::kClientError);
  EXPECT_EQ(ReasonOfStatus(503), TransferReason::kServerError);
}

TEST_F(TransferMachineTest, AnAnswerThatIsNotTheFileLeavesTheFileUnopened) {
  Reply notFound;
  notFound.status = 404;
  const TransferOutcome o = Run({notFound});
  EXPECT_EQ(o.reason, TransferReason::kNotFound);
  EXPECT_EQ(o.status, 404u);
  EXPECT_EQ(sink.opens, 0);
  request = nullptr;
  auto refused = std::make_unique<ScriptedRequest>(std::deque<Reply>{Whole("x")});
  refused->refuse = true;
  EXPECT_EQ(TransferMachine(*refused, sink, plan, hooks).Run().reason, TransferReason::kConnectFailed);
  EXPECT_EQ(sink.opens, 0);
}

TEST_F(TransferMachineTest, AnIgnoredRangeReplacesWhatWasOnDisk) {
  OnDisk(Data(0, 4000));
  plan.size = 10000;
  const TransferOutcome o = Run({Whole(Data(0, 10000))});
  EXPECT_EQ(o.reason, TransferReason::kComplete);
  EXPECT_EQ(sink.file, Data(0, 10000));
  ASSERT_EQ(request->asked.size(), 1u);
  EXPECT_EQ(request->asked[0], u"http://h/f|Range:bytes=4000-");
}

// A server that ignores the range and cuts every body at 5,000 bytes brings
// bytes with each request but never moves the file on: a few requests and
// the turn is over, with what arrived.
TEST_F(TransferMachineTest, ShortBodiesThatDoNotMoveTheFileEndTheTurn) {
  for (bool withLength : {true, false}) {
    sink = MemorySink{};
    plan = TransferPlan{};
    plan.size = 10000;
    Reply cut = Whole(Data(0, 5000), false);
    if (withLength) cut.length = u"10000";
    const TransferOutcome o = Run({cut});
    EXPECT_EQ(o.reason, TransferReason::kNoProgress) << withLength;
    EXPECT_LE(request->asked.size(), static_cast<size_t>(TurnProgress::kStallLimit + 1)) << withLength;
    EXPECT_EQ(o.position, 5000) << withLength;
    EXPECT_EQ(sink.file, Data(0, 5000)) << withLength;
  }
  // A body that breaks off is the network's: another turn goes on from it.
  sink = MemorySink{};
  Reply broken = Whole(Data(0, 10000));
  broken.breakAt = 3000;
  const TransferOutcome o = Run({broken});
  EXPECT_EQ(o.reason, TransferReason::kBodyBroken);
  EXPECT_EQ(sink.file, Data(0, 3000));
}

TEST_F(TransferMachineTest, ARestThatArrivesInPiecesIsAskedForUntilWhole) {
  plan.size = 9000;
  std::deque<Reply> script;
  for (int from = 0; from < 9000; from += 3000) {
    Reply piece;
    piece.status = 206;
    piece.range = u"bytes " + AsciiToUtf16(std::to_string(from)) + u"-8999/9000";
    piece.body = Data(from, 9000 - from);
    piece.breakAt = std::string::npos;
    piece.body.resize(3000);
    script.push_back(piece);
  }
  const TransferOutcome o = Run(script);
  EXPECT_EQ(o.reason, TransferReason::kComplete);
  EXPECT_EQ(sink.file, Data(0, 9000));
  ASSERT_EQ(request->asked.size(), 3u);
  EXPECT_EQ(request->asked[1], u"http://h/f|Range:bytes=3000-");
  EXPECT_EQ(request->asked[2], u"http://h/f|Range:bytes=6000-");
}

TEST_F(TransferMachineTest, AnOverLongBodyIsWrittenOnlyUpToItsRange) {
  OnDisk(Data(0, 50));
  plan.size = 60;
  Reply r;
  r.status = 206;
  r.range = u"bytes 50-59/60";
  r.body = Data(50, 100000);
  const TransferOutcome o = Run({r});
  EXPECT_EQ(o.reason, TransferReason::kOverlongBody);
  EXPECT_TRUE(ShouldRetry(o.reason));
  EXPECT_EQ(sink.file, Data(0, 60));
}

TEST_F(TransferMachineTest, ARangeNotAskedForIsFetchedAnewAndNeverWrittenAway) {
  Reply far;
  far.status = 206;
  far.range = u"bytes 1000000000-1000000099/1000000100";
  far.body = Data(0, 100);
  std::vector<std::pair<std::u16string, int64_t>> refetched;
  hooks.refetching = [&](const std::u16string& range, int64_t onDisk) { refetched.emplace_back(range, onDisk); };
  TransferOutcome o = Run({far});
  EXPECT_EQ(o.reason, TransferReason::kMisplacedRange);
  EXPECT_EQ(o.detail, u"bytes 1000000000-1000000099/1000000100");
  EXPECT_EQ(sink.opens, 0);  // nothing was ever the file
  EXPECT_EQ(refetched.size(), request->asked.size());
  EXPECT_LE(request->asked.size(), static_cast<size_t>(TurnProgress::kStallLimit));

  // Resumed: the range is asked for once more from 0, and what is on disk
  // stays until an answer is the file.
  refetched.clear();
  sink = MemorySink{};
  OnDisk(Data(0, 40));
  Reply fromZero = Whole(Data(0, 100));
  o = Run({far, fromZero});
  EXPECT_EQ(o.reason, TransferReason::kComplete);
  EXPECT_EQ(sink.file, Data(0, 100));
  ASSERT_EQ(request->asked.size(), 2u);
  EXPECT_EQ(request->asked[1], u"http://h/f|");
  ASSERT_EQ(refetched.size(), 1u);
  EXPECT_EQ(refetched[0].second, 40);
}

// Where the file's bytes came from is told before the file is made or cut
// for them, once per answer that is the file, and only for such answers.
TEST_F(TransferMachineTest, TheAnswerThatIsTheFileSaysWhereItCameFromBeforeTheFileIsTouched) {
  std::vector<std::pair<std::u16string, int>> told;  // url, opens so far
  hooks.from = [&](const std::u16string& url) { told.emplace_back(url, sink.opens); };
  Reply notFound;
  notFound.status = 404;
  Run({notFound});
  EXPECT_TRUE(told.empty());

  // Redirected: the last hop's URL.
  Reply moved = Whole(Data(0, 100));
  moved.from = u"https://cdn.test/f";
  EXPECT_EQ(Run({moved}).reason, TransferReason::kComplete);
  EXPECT_EQ(told, (std::vector<std::pair<std::u16string, int>>{{u"https://cdn.test/f", 0}}));

  // Not redirected, or not said: the item's URL, without a resume's
  // parameter, also for a file opened before its request.
  told.clear();
  sink = MemorySink{};
  OnDisk(Data(0, 40));
  plan.resumeByQuery = true;
  Reply rest = Whole(Data(40, 60));
  rest.from = u"=";
  Reply far;
  far.status = 206;
  far.range = u"bytes 1000-1099/1100";
  far.body = Data(0, 100);
  far.from = u"https://cdn.test/elsewhere";
  EXPECT_EQ(Run({rest}).reason, TransferReason::kComplete);
  EXPECT_EQ(request->asked[0], u"http://h/f?_filesize=40|");
  EXPECT_EQ(told, (std::vector<std::pair<std::u16string, int>>{{u"http://h/f", 1}}));
  // A misplaced range is no answer that is the file: only the whole file
  // asked anew is, before it is made anew.
  told.clear();
  plan.resumeByQuery = false;
  sink = MemorySink{};
  OnDisk(Data(0, 40));
  Reply whole = Whole(Data(0, 100));
  EXPECT_EQ(Run({far, whole}).reason, TransferReason::kComplete);
  EXPECT_EQ(told, (std::vector<std::pair<std::u16string, int>>{{u"http://h/f", 1}}));
  EXPECT_EQ(sink.opens, 2);
}

// "_filesize=" ignored: the answer is the whole file again. With a length it
// replaces the file at once; without one it shows only once it grows past
// the size, and then the file starts anew instead of keeping the append.
TEST_F(TransferMachineTest, AWholeFileAgainOnAQueryResumeIsNeverAppended) {
  for (bool withLength : {true, false}) {
    sink = MemorySink{};
    plan = TransferPlan{};
    OnDisk(Data(0, 5000));
    plan.resumeByQuery = true;
    plan.size = 10000;
    const TransferOutcome o = Run({Whole(Data(0, 10000), withLength)});
    EXPECT_EQ(o.reason, TransferReason::kComplete) << withLength;
    EXPECT_EQ(sink.file, Data(0, 10000)) << withLength;
    ASSERT_EQ(request->asked.size(), withLength ? 1u : 2u);
    EXPECT_EQ(request->asked[0], u"http://h/f?_filesize=5000|");
    if (!withLength) {
      EXPECT_EQ(request->asked[1], u"http://h/f|");
    }
  }
}

// A look that finds no byte waiting yet is not the end of the body: only a
// read that brings nothing is.
TEST_F(TransferMachineTest, NothingWaitingYetIsNotTheEndOfTheBody) {
  plan.size = 10000;
  plan.url = u"http://h/f";
  plan.path = u"C:\\d\\f";
  ScriptedRequest scripted({Whole(Data(0, 10000))});
  scripted.noneWaitingEvery = 2;
  const TransferOutcome o = TransferMachine(scripted, sink, plan, hooks).Run();
  EXPECT_EQ(o.reason, TransferReason::kComplete);
  EXPECT_EQ(sink.file, Data(0, 10000));
  EXPECT_EQ(scripted.asked.size(), 1u);
}

TEST_F(TransferMachineTest, StopMidBodyKeepsWhatWasWritten) {
  int blocks = 0;
  hooks.stop = [&] { return blocks >= 2; };
  hooks.block = [&](uint32_t, uint32_t, uint32_t written, int64_t, double) { blocks += written > 0; };
  plan.size = 10000;
  const TransferOutcome o = Run({Whole(Data(0, 10000))});
  EXPECT_EQ(o.reason, TransferReason::kStopped);
  EXPECT_EQ(sink.file, Data(0, 1400));
  EXPECT_EQ(o.position, 1400);
  EXPECT_TRUE(o.open);
}

// Each write and its report happen inside the engine's block guard, never
// outside it (the agent's view holds that guard while it asks a question).
TEST_F(TransferMachineTest, EveryWriteAndItsReportAreInsideTheBlockGuard) {
  int held = 0, outside = 0, reports = 0;
  hooks.enterBlock = [&] { ++held; };
  hooks.leaveBlock = [&] { --held; };
  sink.onWrite = [&] { outside += held != 1; };
  hooks.block = [&](uint32_t, uint32_t, uint32_t, int64_t, double) {
    outside += held != 1;
    ++reports;
  };
  plan.size = 3000;
  EXPECT_EQ(Run({Whole(Data(0, 3000))}).reason, TransferReason::kComplete);
  EXPECT_GT(reports, 1);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(held, 0);
}

// A disk that refuses is final; a broker that went away is another turn's.
TEST_F(TransferMachineTest, AFailedWriteIsTheFilesFaultALostBrokerIsNot) {
  plan.size = 10000;
  sink.failPast = 3000;
  TransferOutcome o = Run({Whole(Data(0, 10000))});
  EXPECT_EQ(o.reason, TransferReason::kWriteFailed);
  EXPECT_FALSE(ShouldRetry(o.reason));
  EXPECT_EQ(sink.file, Data(0, 2800));

  sink = MemorySink{};
  sink.failPast = 3000;
  sink.failure = WriteResult::kLost;
  int grew = 0;
  hooks.grew = [&] { ++grew; };
  o = Run({Whole(Data(0, 10000))});
  EXPECT_EQ(o.reason, TransferReason::kBrokerLost);
  EXPECT_TRUE(ShouldRetry(o.reason));
  EXPECT_GT(grew, 0);

  sink = MemorySink{};
  sink.ready = OutputReady::kNotConnected;
  EXPECT_EQ(Run({Whole("x")}).reason, TransferReason::kBrokerUnreachable);
  EXPECT_TRUE(request->asked.empty());
}

TEST_F(TransferMachineTest, TheEnginesCycleLimitAsksForTheRestByRange) {
  plan.size = 5000;
  plan.cycleLimit = 3000;
  plan.sizeFromAnswers = true;
  Reply rest;
  rest.status = 206;
  rest.range = u"bytes 3500-4999/5000";
  rest.body = Data(3500, 1500);
  const TransferOutcome o = Run({Whole(Data(0, 5000)), rest});
  EXPECT_EQ(o.reason, TransferReason::kComplete);
  EXPECT_EQ(sink.file, Data(0, 5000));
  ASSERT_EQ(request->asked.size(), 2u);
  // Blocks of 700: the first request ends after the block that passes 3,000.
  EXPECT_EQ(request->asked[1], u"http://h/f|Range:bytes=3500-");
}

TEST_F(TransferMachineTest, AnAnnouncedSizeReplacesThePagesOnlyWhenAsked) {
  std::vector<int64_t> announced;
  hooks.sizeAnnounced = [&](int64_t size) { announced.push_back(size); };
  plan.size = 10000;
  plan.sizeFromAnswers = true;
  TransferOutcome o = Run({Whole(Data(0, 6000))});
  EXPECT_EQ(o.reason, TransferReason::kComplete);
  EXPECT_EQ(announced, std::vector<int64_t>{6000});
  // Kept: a body shorter than the page's size is asked for again.
  sink = MemorySink{};
  plan.sizeFromAnswers = false;
  o = Run({Whole(Data(0, 6000))});
  EXPECT_EQ(o.reason, TransferReason::kNoProgress);
  EXPECT_EQ(sink.file, Data(0, 6000));
}

}  // namespace
}  // namespace vard::transfer
