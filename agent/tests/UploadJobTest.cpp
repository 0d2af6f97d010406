// The upload job against the upload store of the loopback test server: what
// goes over the wire, what the store assembles, and how entries end.
#include "agent/jobs/UploadJob.h"

#include <gtest/gtest.h>

#include "agent/jobs/DownloadWiring.h"
#include "agent/jobs/MWUploadThread.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/tests/JobTestSupport.h"
#include "agent/tests/UploadTestSupport.h"
#include "common/platform/FileSystem.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "common/platform/tests/TestFolder.h"

namespace vard {
namespace {

namespace p = platform;
using http_testing::UploadRecord;
using testing::DataBytes;
using testing::FakeUploadHost;
using testing::MakeUploadEntry;
using testing::SameBytes;
using testing::UploadEntryInput;
using testing::UploadSite;
using testing::WriteAll;

constexpr int64_t k12MB = 12582912;

class UploadJobTest : public ::testing::Test {
 protected:
  UploadJobServices Services() {
    UploadJobServices s;
    s.clock = &clock;
    s.files = files;
    s.registry = &registry;
    s.setCookie = [this](const std::u16string& url, const std::u16string& data) {
      cookies.emplace_back(url, data);
      return true;
    };
    return s;
  }
  void Run(const EntryList& list, const std::u16string& notify = u"") { UploadJob(host, Services()).Run(list, notify); }
  std::u16string Local(const std::u16string& name, size_t size) {
    const std::u16string path = folder / name;
    WriteAll(path, DataBytes(size));
    return path;
  }
  std::shared_ptr<CUploadFile> Entry(const std::u16string& path, const std::u16string& action,
                                     int32_t partSize = 5242880) {
    UploadEntryInput input;
    input.path = path;
    input.actionUrl = action;
    input.partSize = partSize;
    return MakeUploadEntry(input);
  }
  // A part abandoned mid-body may leave its connection in the HTTP stack's
  // pool (Wine's does): the next request on it is taken for the rest of
  // that body until the server gives up. One throwaway request clears it.
  static void AfterAbandonedPart() { http_tests::Fetch("/_upload/settle/log"); }
  static std::vector<std::string> Names(const UploadRecord& r) {
    std::vector<std::string> names;
    for (const auto& f : r.fields) names.push_back(f.first);
    return names;
  }

  p::testing::TestFolder folder;
  p::testing::FakeClock clock;
  testing::MemoryRegistry registry;
  p::IFileSystem* files = &p::RealFileSystem();
  FakeUploadHost host;
  std::vector<std::pair<std::u16string, std::u16string>> cookies;
};

TEST_F(UploadJobTest, AFileIsAskedAboutThenSentFileSectionFirstWithItsFields) {
  UploadSite site("basic");
  UploadSite notices("notices");
  UploadEntryInput input;
  input.path = Local(u"a.txt", 3000);
  input.actionUrl = site.ActionUrl();
  input.folder = u"docs";
  input.cookie = u"sid=42";
  input.fields = {{u"user", u"kim"}, {u"mode", u"x"}};
  auto e = MakeUploadEntry(input);
  registry.WriteString(p::RegistryRoot::kClassesRoot, u".txt", u"Content Type", u"text/plain");
  Run({e}, notices.ActionUrl());

  const auto records = site.Records();
  ASSERT_EQ(records.size(), 2u);
  const UploadRecord& ask = records[0];
  EXPECT_EQ(Names(ask), (std::vector<std::string>{"_action", "_filesize", "_folder", "_filename", "_askrename",
                                                  "user", "mode"}));
  EXPECT_EQ(ask.Field("_action"), "getFileInfo");
  EXPECT_EQ(ask.Field("_filesize"), "3000");
  EXPECT_EQ(ask.Field("_filename"), "a.txt");
  const UploadRecord& part = records[1];
  EXPECT_TRUE(part.wellFormed);
  EXPECT_TRUE(part.fileFirst);
  EXPECT_EQ(Names(part), (std::vector<std::string>{"_action", "_partno", "_resume", "_filename", "_filesize",
                                                   "_folder", "user", "mode"}));
  EXPECT_EQ(part.Field("_partno"), "0");
  EXPECT_EQ(part.Field("_resume"), "n");
  EXPECT_EQ(part.Field("_filename"), "a.txt");
  EXPECT_EQ(part.fileName, Utf16ToUtf8(input.path));  // the full local path
  EXPECT_EQ(part.contentType, "text/plain");
  EXPECT_TRUE(SameBytes(site.File("docs/a.txt"), DataBytes(3000)));

  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_EQ(e->bytes_done, 3000);
  EXPECT_EQ(host.job_bytes_done, 3000);
  EXPECT_EQ(host.statuses, (std::vector<int>{0, 1, 2, 3, 5, 6, 4, 7}));
  EXPECT_EQ(host.lockDepth, 0);
  EXPECT_EQ(host.index, 0);
  // The cookie is set for the action URL's site before each request.
  ASSERT_EQ(cookies.size(), 2u);
  EXPECT_EQ(cookies[0].second, u"sid=42");
  EXPECT_EQ(cookies[0].first, http_tests::ServerUrl("/"));

  const auto told = notices.Records();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0].Field("_progress"), "ing");
  EXPECT_EQ(told[0].Field("_session"), "sid=42");
  EXPECT_EQ(told[0].Field("_filename"), Utf16ToUtf8(input.path));
  EXPECT_EQ(told[0].Field("_filesize"), "3000");
  EXPECT_EQ(told[1].Field("_progress"), "done");
}

// A name that would show reversed ("\u202Etxt.exe" reads "exe.txt") is
// shown and sent with "_" in place of the override; the file itself is
// read under its real name.
TEST_F(UploadJobTest, NamesAreShownAndSentWithoutBidiControls) {
  UploadSite site("bidi");
  UploadEntryInput input;
  input.path = Local(u"\u202Etxt.exe", 500);
  input.actionUrl = site.ActionUrl();
  input.folder = u"d\u2066x";
  auto e = MakeUploadEntry(input);
  EXPECT_EQ(e->Text(0), u"_txt.exe");
  EXPECT_EQ(e->Text(1), u"d_x");
  Run({e});

  ASSERT_EQ(e->status, entry_status::kDone);
  const auto records = site.Records();
  ASSERT_EQ(records.size(), 2u);
  for (const UploadRecord& r : records) {
    EXPECT_EQ(r.Field("_filename"), "_txt.exe");
    EXPECT_EQ(r.Field("_folder"), "d_x");
  }
  EXPECT_EQ(records[1].fileName, Utf16ToUtf8(folder / u"_txt.exe"));
  EXPECT_TRUE(SameBytes(site.File("d_x/_txt.exe"), DataBytes(500)));
}

TEST_F(UploadJobTest, ThePartRequestAnnouncesExactlyItsBody) {
  UploadSite site("length");
  // A part size that is no multiple of the block size ends mid-block.
  auto e = Entry(Local(u"b.bin", 150001), site.ActionUrl(), 70001);
  Run({e});
  EXPECT_EQ(site.PartLengths(), (std::vector<size_t>{70001, 70001, 9999}));
  EXPECT_TRUE(SameBytes(site.File("b.bin"), DataBytes(150001)));
  const std::string raw = http_tests::LastRawRequest();
  const size_t head = raw.find("\r\n\r\n");
  ASSERT_NE(head, std::string::npos);
  const size_t at = raw.find("Content-Length: ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(std::stoull(raw.substr(at + 16)), raw.size() - head - 4);
  EXPECT_NE(raw.find("\r\nContent-Type: application/octet-stream\r\n\r\n"), std::string::npos);
}

TEST_F(UploadJobTest, TwelveMegabytesGoAsThreeParts) {
  UploadSite site("twelve");
  auto e = Entry(Local(u"big.bin", k12MB), site.ActionUrl(), 5242880);
  Run({e});
  EXPECT_EQ(site.PartLengths(), (std::vector<size_t>{5242880, 5242880, 2097152}));
  std::vector<std::string> numbers;
  for (const auto& r : site.Records()) numbers.push_back(r.Field("_partno"));
  EXPECT_EQ(numbers, (std::vector<std::string>{"", "0", "1", "2"}));
  EXPECT_TRUE(SameBytes(site.File("big.bin"), DataBytes(k12MB)));
  EXPECT_EQ(e->status, entry_status::kDone);
}

TEST_F(UploadJobTest, FoldersAndEmptyFilesAreOnlyAskedAbout) {
  UploadSite site("folders");
  UploadEntryInput input;
  input.path = folder / u"pics";
  input.actionUrl = site.ActionUrl();
  input.isFolder = true;
  auto dir = MakeUploadEntry(input);
  auto empty = Entry(Local(u"empty.bin", 0), site.ActionUrl());
  Run({dir, empty});
  const auto records = site.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Field("_isfolder"), "yes");
  EXPECT_EQ(records[0].Field("_filename"), "pics");
  EXPECT_FALSE(records[1].HasField("_isfolder"));
  EXPECT_EQ(records[1].Field("_filesize"), "0");
  EXPECT_TRUE(site.HasFolder("pics"));
  EXPECT_EQ(dir->status, entry_status::kDone);
  EXPECT_EQ(empty->status, entry_status::kDone);
}

TEST_F(UploadJobTest, ExistingServerFileAnswers) {
  UploadSite site("answers");
  site.Hold("resume.bin", 1000, 86400);
  site.Hold("over.bin", 5000);
  site.Hold("skip.bin", 10);
  auto resume = Entry(Local(u"resume.bin", 4000), site.ActionUrl());
  auto over = Entry(Local(u"over.bin", 300), site.ActionUrl());
  auto skip = Entry(Local(u"skip.bin", 50), site.ActionUrl());
  host.replies = {{existing_file::kResume, false, {}},
                  {existing_file::kOverwrite, false, {}},
                  {existing_file::kSkip, false, {}}};
  Run({resume, over, skip});

  ASSERT_EQ(host.questions.size(), 3u);
  EXPECT_EQ(host.questions[0].existingSize, 1000);
  EXPECT_EQ(host.questions[0].newSize, 4000);
  // The server's time is shown in the system's time zone.
  const platform::UtcTime shown = platform::LocalCalendarTime(86400);
  EXPECT_EQ(host.questions[0].existingTime.year, shown.year);
  EXPECT_EQ(host.questions[0].existingTime.day, shown.day);
  EXPECT_EQ(host.questions[0].existingTime.hour, shown.hour);
  // Resume: from byte 1000, marked as continued.
  EXPECT_TRUE(SameBytes(site.File("resume.bin"), DataBytes(4000)));
  EXPECT_EQ(resume->status, entry_status::kDone);
  // Overwrite: the store's file is replaced.
  EXPECT_TRUE(SameBytes(site.File("over.bin"), DataBytes(300)));
  // Skip: nothing sent, the entry waits.
  EXPECT_EQ(skip->status, entry_status::kStopped);
  EXPECT_EQ(site.File("skip.bin").size(), 10u);

  std::vector<std::string> parts;
  for (const auto& r : site.Records())
    if (r.Field("_action") == "attachFile") parts.push_back(r.Field("_filename") + ":" + r.Field("_resume") + ":" +
                                                               std::to_string(r.dataLength));
  EXPECT_EQ(parts, (std::vector<std::string>{"resume.bin:y:3000", "over.bin:n:300"}));
}

TEST_F(UploadJobTest, ApplyToAllAnswersLaterFilesWithoutAsking) {
  UploadSite site("all");
  site.Hold("a.bin", 10);
  site.Hold("b.bin", 10);
  auto a = Entry(Local(u"a.bin", 20), site.ActionUrl());
  auto b = Entry(Local(u"b.bin", 30), site.ActionUrl());
  host.replies = {{existing_file::kOverwrite, true, {}}};
  Run({a, b});
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_TRUE(SameBytes(site.File("b.bin"), DataBytes(30)));
  EXPECT_EQ(host.apply_to_all, 1);
}

TEST_F(UploadJobTest, SaveUnderAnotherNameWithAutomaticRenameAsksAgain) {
  UploadSite site("rename");
  site.Hold("a.bin", 10);
  site.Hold("b.bin", 10);
  auto a = Entry(Local(u"a.bin", 700), site.ActionUrl());
  UploadExistsAnswer saveAs;
  saveAs.action = existing_file::kSaveAs;
  saveAs.rename = {u"b.bin", rename_choice::kAutoRename};
  host.replies = {saveAs};
  Run({a});
  const auto records = site.Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].Field("_action"), "getFileInfo");
  EXPECT_EQ(records[1].Field("_filename"), "b.bin");
  EXPECT_EQ(records[1].Field("_autorename"), "yes");
  EXPECT_FALSE(records[1].HasField("_askrename"));
  // The store proposed a free name: the parts go under it.
  EXPECT_EQ(records[2].Field("_filename"), "b(1).bin");
  EXPECT_TRUE(SameBytes(site.File("b(1).bin"), DataBytes(700)));
  EXPECT_EQ(ReadField(a->server_name), u"b(1).bin");
}

// The answer text as a query value ("=" and ";" escaped).
std::string AnswerQuery(const std::string& answer) {
  std::string q = "?answer=";
  for (char c : answer) q += c == ';' ? "%3B" : c == '=' ? "%3D" : std::string(1, c);
  return q;
}

TEST_F(UploadJobTest, HostileAnswersNeverMoveTheFileOrItsName) {
  const struct {
    const char* answer;
    const char* name;  // the name the parts go under
  } cases[] = {
      {"AskRename=no;FileName=..;FileSize=-5;", "h.bin"},
      {"AskRename=no;FileName=..%5Cx;FileSize=99999999999999999999;", "h.bin"},
      {"AskRename=no;FileName=a%2Fb;FileSize=12abc;", "h.bin"},
      {"AskRename=no;FileName=c%01d;FileSize=999999;", "h.bin"},  // more than the file has
      {"AskRename=no;FileName=ok.bin;FileSize=100", "ok.bin"},    // no ";": an empty size
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    UploadSite site("hostile" + std::to_string(n++));
    auto e = Entry(Local(u"h.bin", 500), site.ActionUrl(AnswerQuery(c.answer)));
    Run({e});
    EXPECT_EQ(e->status, entry_status::kDone);
    const auto records = site.Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].Field("_resume"), "n");
    EXPECT_EQ(records[1].Field("_filename"), c.name);
    EXPECT_TRUE(SameBytes(site.File(c.name), DataBytes(500)));
  }
}

TEST_F(UploadJobTest, AnAnswerWithoutSemicolonGivesAnEmptyValue) {
  UploadSite site("semicolon");
  auto e = Entry(Local(u"s.bin", 2000), site.ActionUrl(AnswerQuery("AskRename=yes;FileSize=1000")));
  host.replies = {{existing_file::kResume, false, {}}};
  Run({e});
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].existingSize, 0);
  EXPECT_EQ(site.PartLengths(), (std::vector<size_t>{2000}));
}

// A part that failed after its bytes were read is sent again from its
// first byte under the same number.
TEST_F(UploadJobTest, ARetriedPartRestartsFromItsFirstByte) {
  UploadSite site("retry");
  // Request 3 is part 1: cut after some of its data, then refused once.
  auto e = Entry(Local(u"r.bin", 250000), site.ActionUrl("?cut=3:60000&fail=4:503"), 100000);
  Run({e});
  EXPECT_EQ(e->status, entry_status::kDone);
  EXPECT_EQ(host.countdowns, (std::vector<int>{5, 5}));
  EXPECT_TRUE(SameBytes(site.File("r.bin"), DataBytes(250000)));
  std::vector<std::string> parts;
  for (const auto& r : site.Records())
    if (r.number > 1) parts.push_back(r.Field("_partno") + ":" + std::to_string(r.status));
  EXPECT_EQ(parts, (std::vector<std::string>{"0:200", ":0", "1:503", "1:200", "2:200"}));
  EXPECT_EQ(e->bytes_done, 250000);
  EXPECT_EQ(host.job_bytes_done, 250000);
}

TEST_F(UploadJobTest, TheCountdownFollowsEveryFailureAndTheCounterStartsAtOne) {
  host.retry = {7, 2};
  UploadSite site("giveup");
  auto e = Entry(Local(u"g.bin", 100), site.ActionUrl("?fail=2:500,3:500,4:500"));
  Run({e});
  EXPECT_EQ(e->status, entry_status::kFailed);
  // Two tries in a row, the countdown after each, the last one included.
  EXPECT_EQ(host.countdowns, (std::vector<int>{7, 7}));
  EXPECT_EQ(site.Records().size(), 3u);

  UploadSite cancel("cancel");
  auto c = Entry(Local(u"c.bin", 100), cancel.ActionUrl("?fail=2:500"));
  host.countdowns.clear();
  host.cancelCountdown = true;
  Run({c});
  EXPECT_EQ(c->status, entry_status::kFailed);
  EXPECT_EQ(host.countdowns.size(), 1u);
  EXPECT_EQ(cancel.Records().size(), 2u);
}

TEST_F(UploadJobTest, AFailedQuestionFailsTheEntryWithoutRetry) {
  UploadSite site("askfail");
  // Request 1 (the file's question) is cut, request 2 (the first folder's)
  // refused, request 3 (the second folder's) answered "exists" and skipped.
  const std::u16string action = site.ActionUrl("?cut=1:0&fail=2:500");
  auto file = Entry(Local(u"q.bin", 100), action);
  UploadEntryInput input;
  input.path = folder / u"dir";
  input.actionUrl = action;
  input.isFolder = true;
  auto failedFolder = MakeUploadEntry(input);
  input.path = folder / u"skipped";
  input.actionUrl = site.ActionUrl(AnswerQuery("AskRename=yes;"));
  auto skippedFolder = MakeUploadEntry(input);
  host.replies = {{existing_file::kSkip, false, {}}};
  Run({file, failedFolder, skippedFolder});
  EXPECT_EQ(file->status, entry_status::kFailed);
  EXPECT_TRUE(host.countdowns.empty());
  // A folder keeps the failure or skip of its question.
  EXPECT_EQ(failedFolder->status, entry_status::kFailed);
  EXPECT_EQ(skippedFolder->status, entry_status::kStopped);
  EXPECT_EQ(site.Records().size(), 3u);
}

TEST_F(UploadJobTest, AFileThatCannotBeReadFailsItsEntry) {
  UploadSite site("unreadable");
  p::testing::FaultyFileSystem faulty(p::RealFileSystem());
  files = &faulty;
  const std::u16string path = Local(u"locked.bin", 100);
  faulty.RefuseOpen(path, p::error::kSharingViolation);
  auto locked = Entry(path, site.ActionUrl());
  auto missing = Entry(folder / u"missing.bin", site.ActionUrl());
  // The second file opens but its second read fails.
  auto broken = Entry(Local(u"broken.bin", 3 * UploadJob::kBlockSize), site.ActionUrl());
  faulty.FailNth(p::testing::FileOp::kRead, 2, p::error::kAccessDenied);
  Run({locked, missing, broken});
  AfterAbandonedPart();
  EXPECT_EQ(locked->status, entry_status::kFailed);
  EXPECT_EQ(missing->status, entry_status::kFailed);
  EXPECT_EQ(broken->status, entry_status::kFailed);
  EXPECT_TRUE(host.countdowns.empty());
  // Only the readable file was asked about.
  int questions = 0;
  for (const auto& r : site.Records()) questions += r.Field("_action") == "getFileInfo";
  EXPECT_EQ(questions, 1);
}

TEST_F(UploadJobTest, AFileThatShrankFailsInsteadOfLooping) {
  UploadSite site("shrank");
  const std::u16string path = Local(u"shrink.bin", 200000);
  auto e = Entry(path, site.ActionUrl(), 150000);
  host.onStatus = [&](int s) {
    if (s != 3) return;
    p::File f = p::File::Open(path, p::access::kWrite, p::share::kRead | p::share::kWrite,
                              p::Disposition::kOpenExisting);
    f.Seek(1000, p::SeekFrom::kBegin);
    f.SetEndOfFile();
  };
  Run({e});
  AfterAbandonedPart();
  EXPECT_EQ(e->status, entry_status::kFailed);
  EXPECT_FALSE(host.guardTripped);
  EXPECT_TRUE(host.countdowns.empty());
}

TEST_F(UploadJobTest, StopKeepsTheBytesAndTheNextRunContinuesTheServerFile) {
  UploadSite site("stop");
  auto e = Entry(Local(u"stop.bin", 300000), site.ActionUrl(), 100000);
  host.onStatus = [&](int s) {
    if (s == 6) host.stop = true;  // after the first part
  };
  Run({e});
  EXPECT_EQ(e->status, entry_status::kStopped);
  EXPECT_EQ(e->bytes_done, 100000);
  EXPECT_EQ(host.index, 0);  // a stopped run leaves the index where it was
  host.stop = false;
  host.onStatus = nullptr;
  Run({e});
  EXPECT_EQ(e->status, entry_status::kDone);
  const auto records = site.Records();
  ASSERT_GE(records.size(), 3u);
  const UploadRecord& again = records[2];
  EXPECT_EQ(again.Field("_action"), "getFileInfo");
  EXPECT_EQ(again.Field("_newname"), "stop.bin");
  EXPECT_FALSE(again.HasField("_askrename"));
  EXPECT_TRUE(SameBytes(site.File("stop.bin"), DataBytes(300000)));
  EXPECT_EQ(site.PartLengths(), (std::vector<size_t>{100000, 100000, 100000}));
}

TEST_F(UploadJobTest, APartSizeOfNothingUsesTheDefault) {
  UploadSite site("zero");
  auto e = Entry(Local(u"z.bin", 4000), site.ActionUrl(), 0);
  Run({e});
  EXPECT_EQ(site.PartLengths(), (std::vector<size_t>{4000}));
  EXPECT_FALSE(host.guardTripped);
}

TEST_F(UploadJobTest, TheCookieSiteComesFromTheSetting) {
  UploadSite site("site");
  registry.WriteString(p::RegistryRoot::kCurrentUser, kAgentSettingsKey, u"MW_CookieSite", u"http://files.example/");
  UploadEntryInput input;
  input.path = Local(u"k.bin", 10);
  input.actionUrl = site.ActionUrl();
  input.cookie = u"sid=1";
  Run({MakeUploadEntry(input)});
  ASSERT_FALSE(cookies.empty());
  for (const auto& c : cookies) EXPECT_EQ(c.first, u"http://files.example/");
}

}  // namespace
}  // namespace vard

namespace vard {
namespace {

// The view's answers as a worker's dialogs give them.
class ScriptedDialogs final : public IWorkerDialogs {
 public:
  DownloadExistsAnswer AskDownloadExists(const DownloadExistsQuestion&, const StopFlag&) override { return {}; }
  UploadExistsAnswer AskUploadExists(const UploadExistsQuestion& q, const StopFlag&) override {
    asked.push_back(q.filePath);
    return {existing_file::kOverwrite, false, {}};
  }
  RetryAnswer RetryCountdown(const std::u16string& format, int seconds, const StopFlag&) override {
    countdowns.push_back(format + u":" + AsciiToUtf16(std::to_string(seconds)));
    return RetryAnswer::kRetry;
  }
  void ShowInformation(const std::u16string&, const std::u16string&, const StopFlag&) override {}
  ExistingFileOption ExistingFileChoice() override { return ExistingFileOption::kAsk; }
  void SetExistingFileChoice(ExistingFileOption) override {}

  std::vector<std::u16string> asked;
  std::vector<std::u16string> countdowns;
};

TEST(UploadWorker, RunsTheJobWithTheViewsQuestionsAndTheUploadRetrySettings) {
  p::testing::TestFolder folder;
  testing::MemoryRegistry registry;
  registry.WriteDword(p::RegistryRoot::kCurrentUser, kAgentSettingsKey, u"MW_RetrySec", 9);
  registry.WriteDword(p::RegistryRoot::kCurrentUser, kAgentSettingsKey, u"MW_RetryNum", 2);
  DownloadWiring wiring;
  wiring.files = &p::RealFileSystem();
  wiring.registry = &registry;
  SetDownloadWiring(wiring);

  UploadSite site("worker");
  site.Hold("w.bin", 5);
  const std::u16string path = folder / u"w.bin";
  WriteAll(path, DataBytes(20000));
  UploadEntryInput input;
  input.path = path;
  input.actionUrl = site.ActionUrl("?fail=2:500");
  input.partSize = 8000;
  EntryList entries{MakeUploadEntry(input)};
  ScriptedDialogs dialogs;
  std::mutex m;
  std::vector<int> statuses;
  CMWUploadThread worker(entries, dialogs, [&](VARD_THREAD_STATUS s) {
    std::lock_guard lock(m);
    statuses.push_back(s);
  }, p::SystemClock());
  worker.Start();
  ASSERT_TRUE(p::SystemClock().WaitUntil([&] { return !worker.IsRunning(); }, 30000, 10));
  EXPECT_EQ(entries[0]->status, entry_status::kDone);
  EXPECT_EQ(dialogs.asked, (std::vector<std::u16string>{path}));
  EXPECT_EQ(dialogs.countdowns, (std::vector<std::u16string>{u"재시도 (%d):9"}));
  EXPECT_TRUE(SameBytes(site.File("w.bin"), DataBytes(20000)));
  std::lock_guard lock(m);
  EXPECT_EQ(statuses.front(), kStatusRunStart);
  EXPECT_EQ(statuses.back(), kStatusRunEnd);
}

}  // namespace
}  // namespace vard
