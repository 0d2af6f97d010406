// The download job against the loopback test server, writing real files
// directly (the broker's output has its own tests).
#include "agent/jobs/DownloadJob.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

#include "agent/jobs/DirectOutput.h"
#include "agent/tests/FakeJobHost.h"
#include "agent/tests/JobTestSupport.h"
#include "common/handoff/SavedDownloads.h"
#include "common/http/InternetHandles.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguageStore.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace p = platform;
using http_tests::ServerUrl;
using testing::DataBytes;
using testing::FakeJobHost;
using testing::MakeEntry;
using testing::ReadAll;
using testing::SameBytes;
using testing::WriteAll;

class DownloadJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageTables t;
    t.strings[501] = u"Alert";
    LanguageStore::Instance().Replace(t);
    session.Open(u"VardKT5");
  }
  void TearDown() override { LanguageStore::Instance().Clear(); }

  DownloadJobServices Services(IDownloadOutput& out) {
    DownloadJobServices s;
    s.clock = &clock;
    s.direct = &out;
    s.broker = nullptr;
    s.osMajorVersion = [] { return 5; };
    s.session = [this] { return session.Handle(); };
    s.savedDownloadsPath = saved;
    s.log = host.LogSink();
    return s;
  }
  void Run(const EntryList& list, const std::u16string& notify = u"") {
    DownloadJob job(host, Services(direct));
    job.Run(list, folder.Path(), notify);
  }
  std::u16string In(const std::u16string& name) { return folder.Path() + u"\\" + name; }

  // Inside a parent of the test's own: names that climb out land there.
  p::testing::TestFolder folder{u"run"};
  p::testing::FakeClock clock;
  FakeJobHost host;
  CInternetSession session;
  DirectOutput direct{p::RealFileSystem()};
  std::u16string saved = folder.Path() + u"\\kt_save.dat";
};

TEST_F(DownloadJobTest, RunFetchesEveryEntryAndTellsTheViewEachStep) {
  auto a = MakeEntry(ServerUrl("/data/70000"), u"a.bin", 70000);
  auto b = MakeEntry(ServerUrl("/data/10"), u"b.bin", 10, u"sub/deeper/");
  Run({a, b});
  EXPECT_TRUE(SameBytes(ReadAll(In(u"a.bin")), DataBytes(70000)));
  EXPECT_TRUE(SameBytes(ReadAll(In(u"sub\\deeper\\b.bin")), DataBytes(10)));
  EXPECT_EQ(a->status, entry_status::kDone);
  EXPECT_EQ(b->status, entry_status::kDone);
  EXPECT_EQ(a->bytes_done, 70000);
  EXPECT_EQ(b->local_path, In(u"sub\\deeper\\b.bin"));
  EXPECT_EQ(host.statuses, (std::vector<int>{0, 3, 4, 3, 4, 7}));
  EXPECT_EQ(host.run_bytes, 70010);
  EXPECT_EQ(host.job_bytes_done, 70010);
  EXPECT_EQ(host.index, 0);
  EXPECT_FALSE(host.running);
  EXPECT_EQ(host.lockDepth, 0);
  EXPECT_EQ(host.CountLogs(u"다운로드 시작"), 2);
  EXPECT_EQ(host.CountLogs(u"다운로드 완료"), 2);
}

// A batch names no page: each file carries its own URL only, without the
// user name and password a record's URL may hold.
TEST_F(DownloadJobTest, EveryFileCarriesItsURLAsItsOrigin) {
  p::testing::FaultyFileSystem marks(p::RealFileSystem());
  marks.KeepMarksInMemory();
  DirectOutput out(marks);
  std::u16string withPassword = ServerUrl("/data/10");
  withPassword.insert(withPassword.find(u"//") + 2, u"me:secret@");
  auto a = MakeEntry(ServerUrl("/data/10"), u"a.bin", 10);
  auto b = MakeEntry(withPassword, u"b.bin", 10, u"sub/");
  DownloadJob(host, Services(out)).Run({a, b}, folder.Path(), u"");
  ASSERT_EQ(b->status, entry_status::kDone);
  for (const char16_t* name : {u"a.bin", u"sub\\b.bin"}) {
    const auto mark = marks.ReadOriginMark(In(name));
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->hostUrl, ServerUrl("/data/10"));
    EXPECT_EQ(mark->referrerUrl, u"");
    EXPECT_EQ(mark->zone, p::ZoneOfUrl(ServerUrl("/data/10")));
  }
}

// A redirected file's mark names the URL its bytes came from: the
// platform's redirects, the hops followed with a cookie, and a resumed file
// opened (and marked) before its request.
TEST_F(DownloadJobTest, ARedirectedFilesMarkNamesTheURLAfterTheRedirect) {
  p::testing::FaultyFileSystem marks(p::RealFileSystem());
  marks.KeepMarksInMemory();
  DirectOutput out(marks);
  WriteAll(In(u"c.bin"), DataBytes(30).substr(0, 12));
  auto a = MakeEntry(ServerUrl("/redirect?to=/data/10"), u"a.bin", 10);
  auto b = MakeEntry(ServerUrl("/redirect?to=/data/20"), u"b.bin", 20, u"", 0, false, u"sid=1");
  auto c = MakeEntry(ServerUrl("/redirect?to=/data/30"), u"c.bin", 30);
  c->bytes_done = 12;
  DownloadJob(host, Services(out)).Run({a, b, c}, folder.Path(), u"");
  const std::pair<const char16_t*, const char*> files[] = {{u"a.bin", "/data/10"}, {u"b.bin", "/data/20"},
                                                          {u"c.bin", "/data/30"}};
  for (const auto& [name, from] : files) {
    EXPECT_TRUE(SameBytes(ReadAll(In(name)), DataBytes(std::strtoul(from + 6, nullptr, 10)))) << Utf16ToUtf8(name);
    const auto mark = marks.ReadOriginMark(In(name));
    ASSERT_TRUE(mark) << Utf16ToUtf8(name);
    EXPECT_EQ(mark->hostUrl, ServerUrl(from));
    EXPECT_EQ(mark->zone, p::ZoneOfUrl(ServerUrl(from)));
  }
}

TEST_F(DownloadJobTest, FinishedEntriesAndFolderMarkersMakeNoRequest) {
  auto done = MakeEntry(ServerUrl("/data/5"), u"done.bin", 5);
  done->status = entry_status::kDone;
  auto marker = MakeEntry(u"this_is_folder", u"", 0, u"only/folder/");
  Run({done, marker});
  EXPECT_FALSE(p::PathExists(In(u"done.bin")));
  EXPECT_TRUE(p::IsDirectory(In(u"only\\folder")));
  EXPECT_EQ(marker->status, entry_status::kDone);
  EXPECT_EQ(host.CountLogs(u"다운로드 시작"), 0);
}

TEST_F(DownloadJobTest, ExistingFileQuestionAndItsAnswers) {
  WriteAll(In(u"skip.bin"), "old");
  WriteAll(In(u"over.bin"), "older text");
  WriteAll(In(u"resume.bin"), DataBytes(1000).substr(0, 400));
  WriteAll(In(u"rename.bin"), "keep me");
  auto skip = MakeEntry(ServerUrl("/data/100"), u"skip.bin", 100);
  auto over = MakeEntry(ServerUrl("/data/6"), u"over.bin", 6);
  auto resume = MakeEntry(ServerUrl("/data/1000"), u"resume.bin", 1000);
  auto rename = MakeEntry(ServerUrl("/data/50"), u"rename.bin", 50);
  host.replies = {{existing_file::kSkip, false, {}},
                  {existing_file::kOverwrite, false, {}},
                  {existing_file::kResume, false, {}},
                  {existing_file::kSaveAs, false, In(u"renamed.bin")}};
  Run({skip, over, resume, rename}, ServerUrl("/form"));
  EXPECT_EQ(host.questions.size(), 4u);
  EXPECT_EQ(skip->status, entry_status::kWaiting);
  EXPECT_EQ(ReadAll(In(u"skip.bin")), "old");
  EXPECT_TRUE(SameBytes(ReadAll(In(u"over.bin")), DataBytes(6)));
  EXPECT_TRUE(SameBytes(ReadAll(In(u"resume.bin")), DataBytes(1000)));
  EXPECT_EQ(resume->status, entry_status::kDone);
  // Saved under another name: done, with the new name, and the old file kept.
  EXPECT_TRUE(SameBytes(ReadAll(In(u"renamed.bin")), DataBytes(50)));
  EXPECT_EQ(ReadAll(In(u"rename.bin")), "keep me");
  EXPECT_EQ(rename->status, entry_status::kDone);
  EXPECT_EQ(ReadField(rename->path), u"renamed.bin");
}

TEST_F(DownloadJobTest, RememberedSkipNeverSkipsAMissingFile) {
  WriteAll(In(u"there.bin"), "x");
  auto there = MakeEntry(ServerUrl("/data/10"), u"there.bin", 10);
  auto missing = MakeEntry(ServerUrl("/data/10"), u"missing.bin", 10);
  host.replies = {{existing_file::kSkip, false, {}}};
  Run({there, missing});
  EXPECT_EQ(there->status, entry_status::kWaiting);
  EXPECT_EQ(missing->status, entry_status::kDone);
  EXPECT_TRUE(SameBytes(ReadAll(In(u"missing.bin")), DataBytes(10)));
  EXPECT_EQ(host.duplicate_action, existing_file::kSkip);
}

TEST_F(DownloadJobTest, ApplyToAllSetsTheViewOptionOnlyForOverwriteAndResume) {
  WriteAll(In(u"a.bin"), "a");
  WriteAll(In(u"b.bin"), DataBytes(3));
  auto a = MakeEntry(ServerUrl("/data/8"), u"a.bin", 8);
  auto b = MakeEntry(ServerUrl("/data/8"), u"b.bin", 8);
  host.replies = {{existing_file::kResume, true, {}}};
  // "a" holds "a", which differs from the data: resuming keeps it.
  Run({a, b});
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.option, ExistingFileOption::kResume);
  EXPECT_TRUE(SameBytes(ReadAll(In(u"b.bin")), DataBytes(8)));
  EXPECT_EQ(ReadAll(In(u"a.bin")), "a" + DataBytes(8).substr(1));
}

TEST_F(DownloadJobTest, ResumeRequestsCarryRangeThenCookieOrTheQuery) {
  WriteAll(In(u"r.bin"), DataBytes(300).substr(0, 120));
  auto r = MakeEntry(ServerUrl("/data/300"), u"r.bin", 300, u"", 0, false, u"sid=42");
  r->bytes_done = 120;
  Run({r});
  EXPECT_TRUE(SameBytes(ReadAll(In(u"r.bin")), DataBytes(300)));
  const std::string raw = http_tests::LastRawRequest();
  const size_t range = raw.find("Range:");
  ASSERT_NE(range, std::string::npos) << raw;
  EXPECT_NE(raw.find("bytes=120-", range), std::string::npos);
  EXPECT_LT(range, raw.find("Cookie: sid=42"));

  WriteAll(In(u"q.bin"), DataBytes(300).substr(0, 77));
  auto q = MakeEntry(ServerUrl("/data/300?x=1"), u"q.bin", 300, u"", 0, true);
  q->bytes_done = 1;
  Run({q});
  EXPECT_TRUE(SameBytes(ReadAll(In(u"q.bin")), DataBytes(300)));
  EXPECT_NE(http_tests::LastRawRequest().find("/data/300?x=1&_filesize=77 "), std::string::npos);
  EXPECT_EQ(q->bytes_done, 300);
}

TEST_F(DownloadJobTest, LocalFileLongerThanTheEntryCountsAsDone) {
  WriteAll(In(u"long.bin"), std::string(500, 'z'));
  auto e = MakeEntry(ServerUrl("/status/500"), u"long.bin", 100);
  e->bytes_done = 1;
  Run({e});
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_EQ(e->bytes_done, 100);
  EXPECT_EQ(host.CountLogs(u"다운로드 시작"), 0);
}

TEST_F(DownloadJobTest, ShortBodiesAreAskedForAgainInTheSameTurn) {
  auto e = MakeEntry(ServerUrl("/data/100000?cut=30000"), u"cut.bin", 100000);
  Run({e});
  EXPECT_TRUE(SameBytes(ReadAll(In(u"cut.bin")), DataBytes(100000)));
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_GE(host.CountLogs(u"다운로드 시작"), 4);
}

TEST_F(DownloadJobTest, UnsafeNamesFailTheirEntryAndTheBatchGoesOn) {
  const std::u16string escaped = p::ParentPath(folder.Path()) + u"\\up.bin";
  EntryList list;
  for (const char16_t* name : {u"..\\up.bin", u"C:\\x.bin", u"\\\\server\\share\\x.bin", u"\\abs.bin", u"NUL.txt"})
    list.push_back(MakeEntry(ServerUrl("/data/4"), name, 4));
  list.push_back(MakeEntry(ServerUrl("/data/4"), u"x.bin", 4, u"a/../../"));
  // Too deep for any folder: refused before its first folder is made.
  std::u16string deep;
  for (int i = 0; i < 129; ++i) deep += u"d/";
  list.push_back(MakeEntry(ServerUrl("/data/4"), u"deep.bin", 4, deep));
  list.push_back(MakeEntry(ServerUrl("/data/4"), u"fine.bin", 4));
  Run(list);
  for (size_t i = 0; i + 1 < list.size(); ++i) EXPECT_EQ(list[i]->status, entry_status::kFailed) << i;
  EXPECT_EQ(list.back()->status, entry_status::kDone);
  EXPECT_EQ(host.CountLogs(u"Refused name"), 7);
  EXPECT_FALSE(p::PathExists(escaped));
  EXPECT_FALSE(p::PathExists(In(u"d")));
}

TEST_F(DownloadJobTest, AChangedSaveFolderTakesEveryEntryButAPartialFileBegunElsewhere) {
  const std::u16string before = In(u"before"), after = In(u"after");
  auto tried = MakeEntry(ServerUrl("/data/3000"), u"tried.bin", 3000);
  auto partial = MakeEntry(ServerUrl("/data/5000?cut=1000"), u"partial.bin", 5000, u"sub/");
  {
    // The first turn of one fails before a byte reaches its file...
    p::testing::FaultyFileSystem faulty(p::RealFileSystem());
    faulty.DiskFullAfter(0);
    DirectOutput full(faulty);
    DownloadJob(host, Services(full)).Run({tried}, before, u"");
  }
  ASSERT_EQ(tried->bytes_done, 0);
  ASSERT_FALSE(tried->local_path.empty());
  // ...and the other's is stopped part way.
  host.onPoll = [&] {
    if (partial->bytes_done >= 1000) host.stop = true;
  };
  DownloadJob(host, Services(direct)).Run({partial}, before, u"");
  ASSERT_EQ(partial->status, entry_status::kStopped);
  ASSERT_GT(partial->bytes_done, 0);
  const std::u16string partialPath = partial->local_path;

  host.onPoll = nullptr;
  host.stop = false;
  host.running = true;
  DownloadJob(host, Services(direct)).Run({tried, partial}, after, u"");
  EXPECT_EQ(tried->status, entry_status::kDone);
  EXPECT_EQ(tried->local_path, after + u"\\tried.bin");
  EXPECT_TRUE(SameBytes(ReadAll(after + u"\\tried.bin"), DataBytes(3000)));
  // Resumed where it was begun, nothing of it in the new folder.
  EXPECT_EQ(partial->status, entry_status::kDone);
  EXPECT_EQ(partial->local_path, partialPath);
  EXPECT_EQ(partial->TargetFolder(after), before);
  EXPECT_TRUE(SameBytes(ReadAll(before + u"\\sub\\partial.bin"), DataBytes(5000)));
  EXPECT_FALSE(p::PathExists(after + u"\\sub"));
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(DownloadJobTest, EmptyEntryEndsDoneOnceItsFileExists) {
  auto e = MakeEntry(ServerUrl("/data/0"), u"empty.bin", 0);
  Run({e});
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_EQ(p::FileSizeOf(In(u"empty.bin")), 0);
}

TEST_F(DownloadJobTest, PermissionAndMissingAnswersFailWithoutWriting) {
  auto forbidden = MakeEntry(ServerUrl("/status/403"), u"f.bin", 10);
  auto unauthorized = MakeEntry(ServerUrl("/status/401"), u"u.bin", 10);
  auto missing = MakeEntry(ServerUrl("/status/404"), u"m.bin", 10);
  auto gone = MakeEntry(ServerUrl("/status/410"), u"g.bin", 10);
  Run({forbidden, unauthorized, missing, gone});
  for (const auto& e : {forbidden, unauthorized, missing, gone}) EXPECT_EQ(e->status, entry_status::kFailed);
  EXPECT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.CountLogs(u"403 Forbidden"), 1);
  EXPECT_EQ(host.CountLogs(u"401 Unauthorized"), 1);
  EXPECT_EQ(host.CountLogs(u"404 Not Found"), 1);
  EXPECT_EQ(host.CountLogs(u"HTTP 410"), 1);
  // An error page is never the file.
  EXPECT_LE(p::FileSizeOf(In(u"g.bin")), 0);
  EXPECT_TRUE(host.countdowns.empty());
}

TEST_F(DownloadJobTest, ServerErrorsTakeTheRetryPathThenFail) {
  auto e = MakeEntry(ServerUrl("/status/503"), u"s.bin", 10);
  auto next = MakeEntry(ServerUrl("/data/10"), u"n.bin", 10);
  host.retry = {7, 2};
  Run({e, next});
  EXPECT_EQ(host.countdowns, (std::vector<int>{1, 2}));
  EXPECT_EQ(host.countdownSeconds, 7);
  EXPECT_EQ(e->status, entry_status::kFailed);
  EXPECT_LE(p::FileSizeOf(In(u"s.bin")), 0);
  EXPECT_EQ(next->status, entry_status::kDone);
}

TEST_F(DownloadJobTest, CancelledCountdownFailsOnlyThatEntry) {
  auto down = MakeEntry(u"http://127.0.0.1:1/nothing", u"d.bin", 10);
  auto next = MakeEntry(ServerUrl("/data/10"), u"n.bin", 10);
  host.cancelCountdown = true;
  Run({down, next});
  EXPECT_EQ(host.countdowns, (std::vector<int>{1}));
  EXPECT_EQ(down->status, entry_status::kFailed);
  EXPECT_EQ(next->status, entry_status::kDone);
}

TEST_F(DownloadJobTest, UsedUpRetriesCarryOverUntilABlockIsWritten) {
  // The run's counter is not reset by moving on: an entry failing before
  // the server answered gets no retry after one that used them up.
  auto first = MakeEntry(u"http://127.0.0.1:1/a", u"a.bin", 10);
  auto second = MakeEntry(u"http://127.0.0.1:1/b", u"b.bin", 10);
  auto third = MakeEntry(ServerUrl("/data/10"), u"c.bin", 10);
  auto fourth = MakeEntry(u"http://127.0.0.1:1/d", u"d.bin", 10);
  Run({first, second, third, fourth});
  EXPECT_EQ(host.countdowns, (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(third->status, entry_status::kDone);
}

TEST_F(DownloadJobTest, BodiesEndingWithoutProgressAreBounded) {
  // Every answer is empty: no endless loop, but the retry path and a failure.
  auto e = MakeEntry(ServerUrl("/data/0"), u"stall.bin", 100, u"", 0, true);
  Run({e});
  EXPECT_FALSE(host.guardTripped);
  EXPECT_EQ(host.countdowns, (std::vector<int>{1, 2}));
  EXPECT_EQ(e->status, entry_status::kFailed);
  EXPECT_EQ(host.CountLogs(u"다운로드 시작"), 3 * DownloadJob::kStallLimit);
}

TEST_F(DownloadJobTest, SavedRecordIsMarkedOnlyForACompleteFile) {
  // The second body ends cleanly before the entry's size: the rest is asked
  // for, refused, and the record stays pending for a later SavedDownload.
  auto complete = MakeEntry(ServerUrl("/data/64"), u"c.bin", 64);
  auto shorter = MakeEntry(ServerUrl("/data/1000"), u"short.bin", 5000);
  {
    SavedDownloadsAppender appender(saved);
    for (const auto& e : {complete, shorter}) {
      DOWNLOAD_INFO r{};
      r.state = kSavedPending;
      StoreField(r.url, e->url);
      appender.Append(r);
    }
  }
  Run({complete, shorter});
  EXPECT_EQ(complete->status, entry_status::kDone);
  EXPECT_EQ(shorter->status, entry_status::kFailed);
  EXPECT_EQ(host.CountLogs(u"416 Requested range not satisfiable"), 1);
  const auto pending = PendingSavedDownloads(saved);
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(ReadField(pending[0].url), shorter->url);
}

TEST_F(DownloadJobTest, StoppedRunKeepsItsRecordPendingAndItsIndex) {
  auto cut = MakeEntry(ServerUrl("/data/5000?cut=1000"), u"cut.bin", 5000);
  {
    SavedDownloadsAppender appender(saved);
    DOWNLOAD_INFO r{};
    r.state = kSavedPending;
    StoreField(r.url, cut->url);
    appender.Append(r);
  }
  host.onPoll = [&] {
    if (cut->bytes_done >= 1000) host.stop = true;
  };
  Run({cut});
  EXPECT_EQ(cut->status, entry_status::kStopped);
  EXPECT_EQ(PendingSavedDownloads(saved).size(), 1u);
  EXPECT_EQ(host.index, 0);  // a stopped run continues where it stopped
}

TEST_F(DownloadJobTest, WriteFailureIsAnErrorAndPausesTheEntry) {
  p::testing::FaultyFileSystem faulty(p::RealFileSystem());
  faulty.DiskFullAfter(1000);
  DirectOutput out(faulty);
  auto e = MakeEntry(ServerUrl("/data/50000"), u"full.bin", 50000);
  DownloadJob job(host, Services(out));
  job.Run({e}, folder.Path(), u"");
  EXPECT_EQ(e->status, entry_status::kStopped);
  EXPECT_EQ(host.CountLogs(u"다운로드 에러"), 1);
  EXPECT_EQ(host.CountLogs(u"다운로드 완료"), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], u"남은 용량이 부족하거나 다운로드에 실패하였습니다.");
}

TEST_F(DownloadJobTest, AnswersPlacedByTheirContentRange) {
  // Each file is partly there; the server answers the range from elsewhere,
  // ignores it, or names it with another status.
  struct Case {
    const char* query;
    const char16_t* name;
  };
  const Case cases[] = {{"?shift=300", u"shift.bin"},
                        {"?norange=1", u"norange.bin"},
                        {"?ahead=200", u"ahead.bin"},
                        {"?rangestatus=200", u"status200.bin"}};
  EntryList list;
  for (const Case& c : cases) {
    WriteAll(In(c.name), DataBytes(20000).substr(0, 5000));
    auto e = MakeEntry(ServerUrl(std::string("/data/20000") + c.query), c.name, 20000);
    e->bytes_done = 5000;
    list.push_back(e);
  }
  Run(list);
  for (const Case& c : cases) EXPECT_TRUE(SameBytes(ReadAll(In(c.name)), DataBytes(20000))) << c.query;
  for (const auto& e : list) EXPECT_EQ(e->status, entry_status::kDone);
}

TEST_F(DownloadJobTest, NotificationsPerFileAndAtTheEndAndFailuresDoNotStopTheRun) {
  auto a = MakeEntry(ServerUrl("/data/3"), u"a.bin", 3, u"", 0, false, u"sid=1");
  auto b = MakeEntry(ServerUrl("/data/4"), u"b.bin", 4);
  Run({a, b}, ServerUrl("/form"));
  const std::string last = http_tests::LastRawRequest();
  EXPECT_NE(last.find("name=\"_progress\"\r\n\r\ndone"), std::string::npos) << last;

  auto c = MakeEntry(ServerUrl("/data/5"), u"c.bin", 5);
  auto d = MakeEntry(ServerUrl("/data/6"), u"d.bin", 6);
  Run({c, d}, u"http://127.0.0.1:1/notify");
  EXPECT_EQ(c->status, entry_status::kDone);
  EXPECT_EQ(d->status, entry_status::kDone);
  int failed = 0;
  for (const auto& m : host.LogMessages()) failed += m.rfind(u"Notification failed", 0) == 0;
  EXPECT_EQ(failed, 3);
}

// The agent closed while a notification waits on a silent server: closing
// the posts' session ends the post, and the run posts nothing more.
TEST_F(DownloadJobTest, ClosingTheNotificationSessionEndsAPostAndTheRunPostsNoMore) {
  if (http_tests::UnderWine()) GTEST_SKIP() << "Wine's WinINet runs a blocked call to its end";
  CInternetSession notify;
  notify.Open(u"VardMW5");
  DownloadJobServices s = Services(direct);
  s.notifySession = [&notify] { return notify.Handle(); };
  std::thread closer([&notify] {
    p::SystemClock().WaitUntil([] { return http_tests::HostileCount("notify-close").second >= 1; }, 10000, 10);
    notify.Close();
  });
  auto a = MakeEntry(ServerUrl("/data/3"), u"a.bin", 3);
  auto b = MakeEntry(ServerUrl("/data/4"), u"b.bin", 4);
  DownloadJob(host, s).Run({a, b}, folder.Path(), http_tests::HostileUrl("/silent?t=notify-close"));
  closer.join();
  EXPECT_EQ(a->status, entry_status::kDone);
  EXPECT_EQ(b->status, entry_status::kDone);
  EXPECT_EQ(http_tests::HostileCount("notify-close").second, 1);
  int failed = 0;
  for (const auto& m : host.LogMessages()) failed += m.rfind(u"Notification failed", 0) == 0;
  EXPECT_EQ(failed, 1);
}

// The hand-off's cookie goes to its own host along a redirect, and never
// along a hop to another host.
TEST_F(DownloadJobTest, TheHandOffsCookieStaysWithItsHostAlongRedirects) {
  const auto escape = [](std::u16string url) {
    std::string out;
    for (char16_t c : url) {
      if (c == u'?') out += "%3F";
      else if (c == u'&') out += "%26";
      else if (c == u'=') out += "%3D";
      else out += static_cast<char>(c);
    }
    return out;
  };
  const std::string there = escape(http_tests::HostileUrl("/ok?n=10&t=cookie-there", "localhost"));
  const std::string here = escape(http_tests::HostileUrl("/ok?n=10&t=cookie-here"));
  auto away = MakeEntry(http_tests::HostileUrl("/to?code=302&t=cookie-from&url=" + there), u"away.bin", 10, u"", 0,
                        false, u"sid=1");
  auto home = MakeEntry(http_tests::HostileUrl("/to?code=301&t=cookie-from2&url=" + here), u"home.bin", 10, u"", 0,
                        false, u"sid=2");
  Run({away, home});
  EXPECT_EQ(away->status, entry_status::kDone);
  EXPECT_EQ(home->status, entry_status::kDone);
  EXPECT_EQ(p::FileSizeOf(In(u"away.bin")), 10);
  EXPECT_NE(http_tests::HostileHeads("cookie-from").find("Cookie: sid=1"), std::string::npos);
  EXPECT_EQ(http_tests::HostileHeads("cookie-there").find("Cookie"), std::string::npos)
      << http_tests::HostileHeads("cookie-there");
  EXPECT_NE(http_tests::HostileHeads("cookie-here").find("Cookie: sid=2"), std::string::npos);

  // A loop ends the entry's turn as a network failure, not in a storm.
  auto loop = MakeEntry(http_tests::HostileUrl("/loop?t=cookie-loop"), u"loop.bin", 10, u"", 0, false, u"sid=3");
  Run({loop});
  EXPECT_EQ(loop->status, entry_status::kFailed);
  EXPECT_LE(http_tests::HostileCount("cookie-loop").second, 3 * 21);
}

// An https item's cookie may hold a Secure one: a redirect down to http on
// the same host goes without it.
TEST_F(DownloadJobTest, TheHandOffsCookieDoesNotFollowARedirectDownToHttp) {
  const std::string down = "http://127.0.0.1:" + std::to_string(http_tests::ServerPort()) + "/data/10";
  auto e = MakeEntry(http_tests::TlsUrl("/redirect?to=" + down), u"down.bin", 10, u"", 0, false, u"sid=5");
  http_tests::ClearRequests();
  Run({e});
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_TRUE(SameBytes(ReadAll(In(u"down.bin")), DataBytes(10)));
  const std::string last = http_tests::LastRawRequest();
  EXPECT_EQ(last.rfind("GET /data/10", 0), 0u) << last;
  EXPECT_EQ(last.find("Cookie"), std::string::npos) << last;
}

// The notification's `_session` is the hand-off's cookie only where the
// item's own request could carry it: on its host, never down to http.
TEST_F(DownloadJobTest, TheSessionFieldCarriesTheCookieOnlyWhereTheItemsRequestCould) {
  struct Case {
    std::u16string item;
    const char* notifyHost;
    std::string sent;
  };
  const Case cases[] = {
      {ServerUrl("/data/3"), "127.0.0.1", "sid=7"},
      {ServerUrl("/data/3"), "localhost", ""},
      {http_tests::TlsUrl("/data/3"), "127.0.0.1", ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    // The posts land in an upload store of the test server, which logs
    // each post's fields ("_session=...", tab-separated).
    const std::string store = "session" + std::to_string(++n) + "-" + std::to_string(std::random_device{}() % 100000);
    const std::u16string notify = AsciiToUtf16(std::string("http://") + c.notifyHost + ":" +
                                               std::to_string(http_tests::ServerPort()) + "/upload/" + store);
    auto e = MakeEntry(c.item, u"s" + AsciiToUtf16(std::to_string(n)) + u".bin", 3, u"", 0, false, u"sid=7");
    Run({e}, notify);
    EXPECT_EQ(e->status, entry_status::kDone);
    const std::string log = http_tests::Fetch("/_upload/" + store + "/log");
    const size_t at = log.find("\t_session=");
    ASSERT_NE(at, std::string::npos) << log;
    const size_t from = at + 10;
    EXPECT_EQ(log.substr(from, log.find_first_of("\t\n", from) - from), c.sent) << n;
    http_tests::Fetch("/_upload/" + store + "/forget");
  }
}

TEST_F(DownloadJobTest, RateLimitHoldsTheFileToItsRate) {
  // 10 KB at 1 KB/s: about ten seconds on the clock, in 1 ms sleeps.
  auto e = MakeEntry(ServerUrl("/data/10240"), u"slow.bin", 10240, u"", 1);
  Run({e});
  EXPECT_TRUE(SameBytes(ReadAll(In(u"slow.bin")), DataBytes(10240)));
  EXPECT_NEAR(static_cast<double>(clock.Elapsed()), 10000, 600);
  for (uint32_t s : clock.Sleeps()) ASSERT_EQ(s, 1u);
  EXPECT_NEAR(host.run_seconds, 10.0, 0.6);
}

TEST_F(DownloadJobTest, StopEndsTheRateLimitSleepAndKeepsTheIndex) {
  auto slow = MakeEntry(ServerUrl("/data/10240"), u"slow.bin", 10240, u"", 1);
  auto next = MakeEntry(ServerUrl("/data/10"), u"n.bin", 10);
  clock.At(3000, [&] { host.stop = true; });
  Run({slow, next});
  EXPECT_LT(clock.Elapsed(), 3100u);
  EXPECT_EQ(slow->status, entry_status::kStopped);
  EXPECT_EQ(host.CountLogs(u"다운로드 중지"), 1);
  EXPECT_EQ(host.index, 0);
  EXPECT_EQ(next->status, entry_status::kWaiting);
  // The next start continues from what is on disk.
  host.stop = false;
  host.running = true;
  Run({slow, next});
  EXPECT_TRUE(SameBytes(ReadAll(In(u"slow.bin")), DataBytes(10240)));
  EXPECT_EQ(next->status, entry_status::kDone);
}

// Servers that misbehave: every turn of an entry ends after a few requests,
// nothing is written past what an answer announced, and a body that turns
// out to be the whole file is never appended.
TEST_F(DownloadJobTest, MisbehavingServersGetFewRequestsPerTurnAndNoMisplacedByte) {
  struct Case {
    const char* what;
    std::string path;
    int64_t size;
    size_t onDisk;  // bytes of the file already there (resumed)
    bool byQuery;
    int32_t status;
    std::string bytes;  // the file afterwards
    int maxPerTurn;
  };
  const Case cases[] = {
      // Range ignored, every body cut at 5,000 bytes: bytes arrive each time
      // but the file does not grow, so each turn ends and the retries run out.
      {"norange, short with length", "/data/10000?norange=1&cut=5000", 10000, 0, false, entry_status::kFailed,
       DataBytes(5000), 4},
      {"norange, short without length", "/data/10000?norange=1&nolength=1&cut=5000", 10000, 0, false,
       entry_status::kFailed, DataBytes(5000), 4},
      {"norange, record size INT64_MAX", "/data/10000?norange=1", INT64_MAX, 0, false, entry_status::kFailed,
       DataBytes(10000), 4},
      // "_filesize" ignored: the whole file again, with and without a length.
      {"filesize ignored, length", "/data/10000?nofilesize=1", 10000, 5000, true, entry_status::kDone,
       DataBytes(10000), 1},
      {"filesize ignored, no length", "/data/10000?nofilesize=1&nolength=1", 10000, 5000, true, entry_status::kDone,
       DataBytes(10000), 2},
      // 50-59/60 carrying 100,000 bytes: ten written, the request broken;
      // the next turn finds the file complete without a request.
      {"over-long 206", "/data/100050?crange=50-59/60", 60, 50, false, entry_status::kDone, DataBytes(60), 1},
      // A range never asked for, far past the file: never written at 0.
      {"206 not asked for", "/data/100?crange=1000000000-1000000099/1000000100", 100, 0, false,
       entry_status::kFailed, "<missing>", 3},
      {"206 far away, resumed", "/data/100?crange=1000000000-1000000099/1000000100", 100, 40, false,
       entry_status::kFailed, DataBytes(40), 3},
      {"206 from 0 not asked for", "/data/100?crange=0-99/100", 100, 0, false, entry_status::kDone, DataBytes(100), 1},
  };
  for (const Case& c : cases) {
    p::RemoveFile(In(u"m.bin"));
    auto e = MakeEntry(ServerUrl(c.path), u"m.bin", c.size, u"", 0, c.byQuery);
    if (c.onDisk) {
      WriteAll(In(u"m.bin"), DataBytes(c.onDisk));
      e->bytes_done = static_cast<int64_t>(c.onDisk);
    }
    host.countdowns.clear();
    // Counted where the job asks: each request takes the session once, and
    // the countdown runs on the job's thread, so every request falls in its
    // own turn whatever the server and the network stack do meanwhile.
    int requests = 0;
    DownloadJobServices s = Services(direct);
    s.session = [&] {
      ++requests;
      return session.Handle();
    };
    std::vector<int> perTurn;
    int before = 0;
    host.onCountdown = [&](int) {
      perTurn.push_back(requests - before);
      before = requests;
    };
    http_tests::ClearRequests();
    DownloadJob(host, s).Run({e}, folder.Path(), u"");
    perTurn.push_back(requests - before);
    std::cout << "[ requests ] agent, " << c.what << ": " << requests << " in " << perTurn.size()
              << " turns; the server answered " << http_tests::RequestCount() << "\n";
    EXPECT_FALSE(host.guardTripped) << c.what;
    for (int n : perTurn) EXPECT_LE(n, c.maxPerTurn) << c.what;
    EXPECT_LE(perTurn.size(), static_cast<size_t>(host.retry.count) + 1) << c.what;
    EXPECT_EQ(e->status, c.status) << c.what;
    EXPECT_TRUE(SameBytes(ReadAll(In(u"m.bin")), c.bytes)) << c.what;
  }
}

// A file the person chose to overwrite is emptied only by an answer that
// is the file: a missing file or a refused connection leaves it as it was.
TEST_F(DownloadJobTest, OverwrittenFileIsKeptUntilTheAnswerIsTheFile) {
  host.option = ExistingFileOption::kOverwrite;
  host.retry = {1, 0};
  const std::string old = "the person's own bytes";
  for (const std::u16string& url : {ServerUrl("/status/404"), std::u16string(u"http://127.0.0.1:1/x"),
                                    ServerUrl("/status/503"), ServerUrl("/data/100?crange=500-599/600")}) {
    WriteAll(In(u"keep.bin"), old);
    auto e = MakeEntry(url, u"keep.bin", 100);
    Run({e});
    EXPECT_EQ(e->status, entry_status::kFailed) << Utf16ToUtf8(url);
    EXPECT_EQ(ReadAll(In(u"keep.bin")), old) << Utf16ToUtf8(url);
  }
  // Asked once: the retries go on with the answer, the file still kept.
  host.option = ExistingFileOption::kAsk;
  host.retry = {1, 2};
  host.replies.push_back({existing_file::kOverwrite, false, {}});
  auto refused = MakeEntry(u"http://127.0.0.1:1/x", u"keep.bin", 100);
  Run({refused});
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.countdowns.size(), 2u);
  EXPECT_EQ(ReadAll(In(u"keep.bin")), old);

  host.option = ExistingFileOption::kOverwrite;
  auto e = MakeEntry(ServerUrl("/data/100"), u"keep.bin", 100);
  Run({e});
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_TRUE(SameBytes(ReadAll(In(u"keep.bin")), DataBytes(100)));
}

}  // namespace
}  // namespace vard
