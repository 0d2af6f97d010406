// The engine against the loopback test server, writing real files.
#include "control/engine/DownloadEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <string>

#include "common/http/testing/TestData.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "control/engine/DirectTarget.h"

namespace vard {
namespace {

namespace p = platform;
namespace pt = platform::testing;
using http_tests::ServerUrl;

class ScriptedHost final : public IDownloadRunHost {
 public:
  void SetItemCounterText(const std::u16string& text) override { counters.push_back(text); }
  void SetCurrentFileText(const std::u16string&) override {}
  void ItemChanged(size_t) override {
    // A run that loops without end is stopped here instead of hanging.
    if (++changes > kGuard && onGuard) onGuard();
  }
  void RefreshTexts() override {}
  DuplicateAnswer AskDuplicate(const DuplicateQuestion& q) override {
    questions.push_back(q);
    if (answers.empty()) return {};
    DuplicateAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  void RunFinished() override { finished = true; }

  std::vector<std::u16string> counters;
  std::vector<DuplicateQuestion> questions;
  std::deque<DuplicateAnswer> answers;
  bool finished = false;
  static constexpr int kGuard = 5000;
  int changes = 0;
  std::function<void()> onGuard;
};

DownloadItem Item(std::u16string url, std::u16string name, int64_t size) {
  DownloadItem i;
  i.url = std::move(url);
  i.fileName = name;
  i.displayName = name;
  i.fileSize = size;
  return i;
}

std::string ReadFile(const std::u16string& path) {
  p::File f = p::File::Open(path, p::access::kRead, p::share::kRead, p::Disposition::kOpenExisting);
  std::string bytes;
  if (!f.IsOpen()) return "<missing>";
  char buf[65536];
  uint32_t got = 0;
  while (f.Read(buf, sizeof buf, &got) && got) bytes.append(buf, got);
  return bytes;
}

void WriteFile(const std::u16string& path, const std::string& bytes) {
  p::File f = p::File::Open(path, p::access::kWrite, 0, p::Disposition::kCreateAlways);
  uint32_t n = 0;
  f.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &n);
}

// The offset of the request's Range header; WinINet writes the header with
// a blank after the colon, libcurl as it was given.
std::optional<long long> RangeFrom(const std::string& request) {
  const size_t at = request.find("Range:");
  if (at == std::string::npos) return std::nullopt;
  const size_t bytes = request.find("bytes=", at);
  if (bytes == std::string::npos || bytes > at + 7) return std::nullopt;
  return std::stoll(request.substr(bytes + 6));
}

std::string Data(uint64_t offset, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(http_testing::DataByte(offset + i));
  return s;
}

class DownloadEngineTest : public ::testing::Test {
 protected:
  DownloadEngine& Run(std::vector<DownloadItem> items, IDownloadTarget* target = nullptr) {
    options.downloadFolder = folder.Path();
    DownloadEngineServices s;
    s.clock = &clock;
    s.target = target ? target : &direct;
    s.host = &host;
    s.log = [this](bool, const LogEvent& e) { log.push_back(Utf16ToUtf8(e.message)); };
    engine = std::make_unique<DownloadEngine>(s, options, std::move(items));
    host.changes = 0;
    host.onGuard = [this] {
      guardTripped = true;
      engine->Cancel();
    };
    engine->Run();
    return *engine;
  }
  int32_t Status(size_t i) const { return engine->Item(i).status; }

  // The engine's waits (its rate limit) pass on this clock, not in real time.
  pt::FakeClock clock;
  // Inside a parent of the test's own: names that climb out land there.
  p::testing::TestFolder folder{u"run"};
  DirectTarget direct;
  ScriptedHost host;
  DownloadRunOptions options;
  std::vector<std::string> log;
  std::unique_ptr<DownloadEngine> engine;
  bool guardTripped = false;
};

TEST_F(DownloadEngineTest, ItemsArriveByteForByteInListOrder) {
  options.writeLog = true;
  DownloadEngine& e = Run({Item(ServerUrl("/data/100000"), u"a.bin", 100000),
                           Item(ServerUrl("/data/70000"), u"sub/\uD55C\uAE00.bin", 70000)});
  EXPECT_EQ(e.EndCode(), endcode::kCompleted);
  EXPECT_TRUE(host.finished);
  EXPECT_EQ(host.counters, (std::vector<std::u16string>{u"1 / 2", u"2 / 2"}));
  EXPECT_EQ(ReadFile(folder / u"a.bin"), Data(0, 100000));
  EXPECT_EQ(ReadFile(folder / u"sub\\\uD55C\uAE00.bin"), Data(0, 70000));
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_EQ(e.Item(1).localPath, folder / u"sub\\\uD55C\uAE00.bin");
  EXPECT_EQ(e.Progress().allDone, 170000);
  EXPECT_EQ(e.Progress().allPercent, 100);
  EXPECT_EQ(log, (std::vector<std::string>{"다운로드 시작", "다운로드 완료", "다운로드 시작", "다운로드 완료"}));
}

TEST_F(DownloadEngineTest, ResumeAsksForTheRestByRangeOrByQuery) {
  WriteFile(folder / u"r.bin", Data(0, 40000));
  options.alwaysResume = true;
  Run({Item(ServerUrl("/data/100000"), u"r.bin", 100000), Item(ServerUrl("/data/10"), u"new.bin", 10)});
  EXPECT_EQ(ReadFile(folder / u"r.bin"), Data(0, 100000));
  // No file yet: the resume still asks from 0.
  EXPECT_EQ(RangeFrom(http_tests::LastRawRequest()), 0);
  EXPECT_EQ(ReadFile(folder / u"new.bin"), Data(0, 10));

  options.resumeByQuery = true;
  for (const auto& [path, expected] : {std::pair{"/data/10", "/data/10?_filesize=3 "},
                                       std::pair{"/data/10?x=1", "/data/10?x=1&_filesize=3 "},
                                       std::pair{"/data/10?", "/data/10?_filesize=3 "}}) {
    WriteFile(folder / u"q.bin", Data(0, 3));
    Run({Item(ServerUrl(path), u"q.bin", 10)});
    const std::string request = http_tests::LastRawRequest();
    EXPECT_NE(request.find(expected), std::string::npos) << request;
    EXPECT_EQ(request.find("Range"), std::string::npos);
  }
}

TEST_F(DownloadEngineTest, ABodyCutShortIsAskedForAgainUntilComplete) {
  Run({Item(ServerUrl("/data/100000?cut=30000"), u"cut.bin", 100000)});
  EXPECT_EQ(ReadFile(folder / u"cut.bin"), Data(0, 100000));
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_EQ(engine->EndCode(), endcode::kCompleted);
}

// Servers that ignore the range, or answer another one, never get bytes
// written at the wrong place.
TEST_F(DownloadEngineTest, TheAnswersContentRangeDecidesWhereTheBodyGoes) {
  options.alwaysResume = true;
  for (const char* fault : {"norange=1", "shift=30000", "ahead=5000", "rangestatus=200", "shift=99999"}) {
    // Right bytes on disk, and (for the whole-file answer) wrong ones.
    for (const std::string& onDisk : {Data(0, 40000), std::string(40000, 'x')}) {
      if (onDisk[0] == 'x' && std::string(fault) != "norange=1") continue;
      WriteFile(folder / u"p.bin", onDisk);
      Run({Item(ServerUrl(std::string("/data/100000?") + fault), u"p.bin", 100000)});
      EXPECT_EQ(Status(0), item::kDone) << fault;
      EXPECT_TRUE(ReadFile(folder / u"p.bin") == Data(0, 100000)) << fault;
    }
  }
}

TEST_F(DownloadEngineTest, LargeFilesComeInBoundedCycles) {
  options.cycleLimit = 1000000;
  Run({Item(ServerUrl("/data/2500000?throttle=10000000"), u"big.bin", 2500000)});
  EXPECT_EQ(ReadFile(folder / u"big.bin"), Data(0, 2500000));
  // Each later cycle asks from the size reached: the last one from at least 2,000,000.
  EXPECT_GE(RangeFrom(http_tests::LastRawRequest()).value_or(0), 2000000);
}

TEST_F(DownloadEngineTest, EachItemEndsOnItsOwnAndFailuresEndTheRunAsFailed) {
  DownloadEngine& e = Run({
      Item(ServerUrl("/status/404"), u"missing.bin", 10),
      Item(u"http://127.0.0.1:1/x", u"refused.bin", 10),
      Item(ServerUrl("/data/10?status=500"), u"error.bin", 10),
      Item(u"ftp://127.0.0.1/x", u"ftp.bin", 10),
      Item(ServerUrl("/data/10"), u"../escape.bin", 10),
      Item(ServerUrl("/data/1000"), u"last.bin", 1000),
  });
  EXPECT_EQ(Status(0), item::kCancelled);
  EXPECT_EQ(Status(1), item::kFailed);
  EXPECT_EQ(Status(2), item::kFailed);
  EXPECT_EQ(Status(3), item::kFailed);
  EXPECT_EQ(Status(4), item::kFailed);
  EXPECT_FALSE(p::PathExists(p::ParentPath(folder.Path()) + u"\\escape.bin"));
  EXPECT_EQ(Status(5), item::kDone);
  EXPECT_EQ(ReadFile(folder / u"last.bin"), Data(0, 1000));
  EXPECT_EQ(e.EndCode(), endcode::kFailed);
  EXPECT_NE(ReadFile(folder / u"error.bin"), "status 500");
}

// Grouped rows dropped into a folder: a name the drop path refused fails
// its item before anything is made, in the drop folder or outside it.
TEST_F(DownloadEngineTest, DroppedRowsStayInTheDropFolderAndRefusedNamesMakeNothing) {
  DownloadList list(DownloadListServices{});
  list.SetLayout(FolderLayout::kType2);
  std::u16string deep = u"g/";
  for (int i = 0; i < 3000; ++i) deep += u"a/";
  for (const std::u16string& name : {std::u16string(u"g/ok/fine.bin"), std::u16string(u"g/../../escape.bin"),
                                     deep + u"deep.bin", std::u16string(u"g/x/..\\..\\..\\escape2.bin")})
    list.AddItem(ServerUrl("/data/10"), name, 10, false);
  const std::u16string drop = folder / u"drop";
  ASSERT_TRUE(p::MakeDirectory(drop));
  options.useFullPath = true;
  DownloadEngine& e = Run(list.DropBatch(drop, {0}));
  EXPECT_EQ(ReadFile(drop + u"\\g\\ok\\fine.bin"), Data(0, 10));
  EXPECT_EQ(Status(0), item::kDone);
  for (size_t i = 1; i < 4; ++i) EXPECT_EQ(Status(i), item::kFailed) << i;
  EXPECT_EQ(e.EndCode(), endcode::kFailed);
  EXPECT_FALSE(p::PathExists(folder / u"escape.bin"));
  EXPECT_FALSE(p::PathExists(folder / u"escape2.bin"));
  EXPECT_FALSE(p::PathExists(drop + u"\\g\\a"));
  EXPECT_FALSE(p::PathExists(drop + u"\\g\\x"));
}

// A ":" after the drive names a stream of a file: "a.txt:x" would write a
// hidden stream of a.txt, "setup.exe:Zone.Identifier" its origin mark.
TEST_F(DownloadEngineTest, NamesOfStreamsAreRefusedInFullPathsAndBelowTheFolder) {
  WriteFile(folder / u"a.txt", "kept");
  options.useFullPath = true;
  DownloadEngine& full = Run({Item(ServerUrl("/data/10"), folder / u"a.txt:x", 10),
                              Item(ServerUrl("/data/10"), folder / u"sub:s\\b.bin", 10),
                              Item(ServerUrl("/data/10"), folder / u"fine.bin", 10)});
  EXPECT_EQ(Status(0), item::kFailed);
  EXPECT_EQ(Status(1), item::kFailed);
  EXPECT_EQ(Status(2), item::kDone);  // the path's own drive, if any, is no stream
  EXPECT_EQ(full.EndCode(), endcode::kFailed);
  options.useFullPath = false;
  Run({Item(ServerUrl("/data/10"), u"a.txt:Zone.Identifier", 10)});
  EXPECT_EQ(Status(0), item::kFailed);
  EXPECT_EQ(ReadFile(folder / u"a.txt"), "kept");
  std::vector<std::u16string> names;
  ASSERT_TRUE(p::RealFileSystem().List(folder.Path(), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a.txt", u"fine.bin"}));
}

// The same limits hold for a page's names below the download folder.
TEST_F(DownloadEngineTest, ANameTooDeepForTheFolderFailsBeforeAnyFolderIsMade) {
  std::u16string deep;
  for (int i = 0; i < 3000; ++i) deep += u"a/";
  DownloadEngine& e = Run({Item(ServerUrl("/data/10"), deep + u"x.bin", 10)});
  EXPECT_EQ(Status(0), item::kFailed);
  EXPECT_EQ(e.EndCode(), endcode::kFailed);
  EXPECT_FALSE(p::PathExists(folder / u"a"));
}

// Pages serve their files over TLS: resumed and cut bodies come whole as
// over http, and a server whose certificate is not trusted gets nothing
// written and fails its item.
TEST_F(DownloadEngineTest, HttpsDownloadsResumeAndUntrustedServersFail) {
  using http_tests::Tls;
  using http_tests::TlsUrl;
  WriteFile(folder / u"r.bin", Data(0, 40000));
  options.alwaysResume = true;
  options.writeLog = true;
  DownloadEngine& e = Run({Item(TlsUrl("/data/200000?cut=70000"), u"r.bin", 200000),
                           Item(TlsUrl("/data/100", Tls::kSelfSigned), u"self.bin", 100),
                           Item(TlsUrl("/data/100", Tls::kWrongName), u"other.bin", 100),
                           Item(TlsUrl("/data/3000"), u"last.bin", 3000)});
  EXPECT_EQ(ReadFile(folder / u"r.bin"), Data(0, 200000));
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_EQ(Status(1), item::kFailed);
  EXPECT_EQ(Status(2), item::kFailed);
  EXPECT_EQ(ReadFile(folder / u"self.bin"), "<missing>");
  EXPECT_EQ(ReadFile(folder / u"other.bin"), "<missing>");
  EXPECT_EQ(ReadFile(folder / u"last.bin"), Data(0, 3000));
  EXPECT_EQ(e.EndCode(), endcode::kFailed);
  EXPECT_EQ(std::count(log.begin(), log.end(), "네트워크 접속실패"), 2);
}

TEST_F(DownloadEngineTest, ANotFoundAloneStillCompletesTheRun) {
  Run({Item(ServerUrl("/status/404"), u"missing.bin", 10), Item(ServerUrl("/data/10"), u"ok.bin", 10)});
  EXPECT_EQ(engine->EndCode(), endcode::kCompleted);
  EXPECT_EQ(Status(0), item::kCancelled);
}

// An answer that is not the file makes no file: no empty file stands in the
// folder as if it had arrived, and a file the user chose to overwrite is
// kept when the server has nothing to put in its place.
TEST_F(DownloadEngineTest, AnAnswerThatIsNotTheFileLeavesTheFolderAsItWas) {
  WriteFile(folder / u"kept.bin", "old");
  host.answers.push_back({existing_file::kOverwrite, false, {}});
  Run({Item(ServerUrl("/status/404"), u"kept.bin", 10), Item(ServerUrl("/status/404"), u"new.bin", 10),
       Item(ServerUrl("/data/10?status=500"), u"error.bin", 10), Item(u"http://127.0.0.1:1/x", u"refused.bin", 10)});
  EXPECT_EQ(ReadFile(folder / u"kept.bin"), "old");
  for (const char16_t* name : {u"new.bin", u"error.bin", u"refused.bin"})
    EXPECT_FALSE(p::PathExists(folder / name)) << Utf16ToUtf8(name);

  // Resuming a file that is not there asks from byte 0 and makes nothing
  // unless the answer is the file; "nothing left" makes the empty file.
  options.alwaysResume = true;
  Run({Item(ServerUrl("/status/404"), u"gone.bin", 10), Item(ServerUrl("/status/416"), u"empty.bin", 10),
       Item(ServerUrl("/data/10"), u"fresh.bin", 10)});
  EXPECT_FALSE(p::PathExists(folder / u"gone.bin"));
  EXPECT_EQ(Status(1), item::kDone);
  EXPECT_EQ(ReadFile(folder / u"empty.bin"), "");
  EXPECT_EQ(ReadFile(folder / u"fresh.bin"), Data(0, 10));
}

TEST_F(DownloadEngineTest, FoldersEmptyFilesAndUnknownSizes) {
  DownloadItem folderEntry = Item(u"", u"made/", 0);
  folderEntry.subFolder = u"made/";
  DownloadItem unknown = Item(ServerUrl("/data/5000"), u"unknown.bin", 0);
  unknown.sizeUnknown = true;
  Run({folderEntry, Item(ServerUrl("/data/10"), u"empty.bin", 0), unknown});
  EXPECT_TRUE(p::IsDirectory(folder / u"made"));
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_EQ(ReadFile(folder / u"empty.bin"), "");
  EXPECT_EQ(Status(1), item::kDone);
  EXPECT_EQ(ReadFile(folder / u"unknown.bin"), Data(0, 5000));
}

TEST_F(DownloadEngineTest, SaveAsForAllOverwritesLaterExistingFilesWithoutAsking) {
  WriteFile(folder / u"one.bin", "old");
  WriteFile(folder / u"two.bin", "old");
  host.answers.push_back({existing_file::kSaveAs, true, folder / u"renamed.bin"});
  Run({Item(ServerUrl("/data/10"), u"one.bin", 10), Item(ServerUrl("/data/20"), u"two.bin", 20)});
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].newSize, 10);
  EXPECT_EQ(ReadFile(folder / u"renamed.bin"), Data(0, 10));
  EXPECT_EQ(engine->Item(0).displayName, u"renamed.bin");
  EXPECT_EQ(ReadFile(folder / u"one.bin"), "old");
  EXPECT_EQ(ReadFile(folder / u"two.bin"), Data(0, 20));
}

TEST_F(DownloadEngineTest, CancellingTheQuestionCancelsThatItemOnly) {
  WriteFile(folder / u"one.bin", "old");
  host.answers.push_back({existing_file::kSkip, false, {}});
  Run({Item(ServerUrl("/data/10"), u"one.bin", 10), Item(ServerUrl("/data/20"), u"two.bin", 20)});
  EXPECT_EQ(Status(0), item::kCancelled);
  EXPECT_EQ(ReadFile(folder / u"one.bin"), "old");
  EXPECT_EQ(Status(1), item::kDone);
  EXPECT_EQ(engine->EndCode(), endcode::kCompleted);
}

// Every file written carries the page and its own URL, never a password.
TEST_F(DownloadEngineTest, EveryFileWrittenCarriesItsOrigin) {
  pt::FaultyFileSystem files(p::RealFileSystem());
  files.KeepMarksInMemory();
  DirectTarget disk(files);
  options.referrerUrl = u"http://shop.test/index.html";
  options.pageZone = p::UrlZone::kInternet;
  std::string url = Utf16ToUtf8(ServerUrl("/data/10"));
  url.insert(url.find("//") + 2, "me:secret@");
  WriteFile(folder / u"resumed.bin", "x");
  options.alwaysResume = true;
  Run({Item(ServerUrl("/data/10"), u"new.bin", 10), Item(Utf8ToUtf16(url), u"sub/resumed.bin", 10),
       Item(ServerUrl("/data/0"), u"empty.bin", 0)},
      &disk);
  for (const char16_t* name : {u"new.bin", u"sub\\resumed.bin", u"empty.bin"}) {
    const auto mark = files.ReadOriginMark(folder / name);
    ASSERT_TRUE(mark) << Utf16ToUtf8(name);
    EXPECT_EQ(mark->referrerUrl, u"http://shop.test/index.html");
    EXPECT_EQ(mark->zone, p::UrlZone::kInternet);
    EXPECT_EQ(mark->hostUrl.find(u"secret"), std::u16string::npos);
  }
  EXPECT_EQ(files.ReadOriginMark(folder / u"new.bin")->hostUrl, ServerUrl("/data/10"));
  EXPECT_EQ(files.ReadOriginMark(folder / u"sub\\resumed.bin")->hostUrl, ServerUrl("/data/10"));
}

// A redirected file's mark names the URL its bytes came from, also for a
// file that was opened (and marked) before its request.
TEST_F(DownloadEngineTest, ARedirectedFilesMarkNamesTheURLAfterTheRedirect) {
  pt::FaultyFileSystem files(p::RealFileSystem());
  files.KeepMarksInMemory();
  DirectTarget disk(files);
  options.referrerUrl = u"http://shop.test/index.html";
  options.pageZone = p::UrlZone::kInternet;
  WriteFile(folder / u"resumed.bin", "x");
  host.answers.push_back({existing_file::kResume, false, {}});
  Run({Item(ServerUrl("/redirect?to=/data/10"), u"moved.bin", 10),
       Item(ServerUrl("/redirect?to=/data/20"), u"resumed.bin", 20)},
      &disk);
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_EQ(Status(1), item::kDone);
  EXPECT_EQ(ReadFile(folder / u"resumed.bin").size(), 20u);
  for (const auto& [name, from] : {std::pair{u"moved.bin", "/data/10"}, std::pair{u"resumed.bin", "/data/20"}}) {
    const auto mark = files.ReadOriginMark(folder / name);
    ASSERT_TRUE(mark) << Utf16ToUtf8(name);
    EXPECT_EQ(mark->hostUrl, ServerUrl(from));
    EXPECT_EQ(mark->referrerUrl, u"http://shop.test/index.html");
    EXPECT_EQ(mark->zone, p::UrlZone::kInternet);
  }
}

TEST_F(DownloadEngineTest, AFailedWriteFailsTheItemAndTheRunGoesOn) {
  options.writeLog = true;
  pt::FaultyFileSystem files(p::RealFileSystem());
  files.DiskFullAfter(50000);
  DirectTarget disk(files);
  Run({Item(ServerUrl("/data/100000"), u"full.bin", 100000), Item(ServerUrl("/data/10"), u"after.bin", 10)}, &disk);
  EXPECT_EQ(Status(0), item::kFailed);
  EXPECT_EQ(engine->EndCode(), endcode::kFailed);
  EXPECT_EQ(ReadFile(folder / u"full.bin"), Data(0, 50000));
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[1], "다운로드 에러");
}

// Each file operation of a run, failed in turn: the item it hits fails (and
// the run with it), every other item arrives whole, nothing hangs.
TEST_F(DownloadEngineTest, EachFailingFileOperationEndsOnlyItsItem) {
  options.alwaysResume = true;
  for (const pt::FileOp op : {pt::FileOp::kOpen, pt::FileOp::kWrite, pt::FileOp::kSize, pt::FileOp::kSeek}) {
    for (uint64_t n = 1; n <= 4; ++n) {
      pt::FaultyFileSystem files(p::RealFileSystem());
      files.FailNth(op, n, p::error::kAccessDenied);
      DirectTarget disk(files);
      p::RemoveFile(folder / u"one.bin");
      p::RemoveFile(folder / u"two.bin");
      Run({Item(ServerUrl("/data/100000?throttle=4000000"), u"one.bin", 100000),
           Item(ServerUrl("/data/20"), u"two.bin", 20)}, &disk);
      const std::string what = std::to_string(static_cast<int>(op)) + " #" + std::to_string(n);
      int failed = 0;
      for (size_t i = 0; i < 2; ++i) {
        if (Status(i) == item::kFailed) {
          ++failed;
          continue;
        }
        EXPECT_EQ(Status(i), item::kDone) << what;
        EXPECT_TRUE(ReadFile(folder / (i ? u"two.bin" : u"one.bin")) == Data(0, i ? 20 : 100000)) << what;
      }
      // A fault that was injected fails exactly its item: none is swallowed.
      EXPECT_EQ(failed, files.Calls(op) >= n ? 1 : 0) << what;
      EXPECT_EQ(engine->EndCode(), failed ? endcode::kFailed : endcode::kCompleted) << what;
    }
  }
}

// The single-file run (full path, overwrite preset): an item of unknown size
// is fetched to the end its answer names, and a same-named file is emptied
// only once the answer is the file.
TEST_F(DownloadEngineTest, SingleFileOfUnknownSizeIsFetchedAndAnOldFileKeptUntilTheAnswer) {
  options.singleMode = true;
  options.useFullPath = true;
  options.overwriteAll = true;
  const std::u16string target = folder / u"open.pdf";
  DownloadItem missing = Item(ServerUrl("/status/404"), target, 0);
  missing.sizeUnknown = true;
  WriteFile(target, "older");
  Run({missing});
  EXPECT_EQ(ReadFile(target), "older");
  EXPECT_NE(Status(0), item::kDone);

  DownloadItem cut = Item(ServerUrl("/data/50000?cut=20000"), target, 0);
  cut.sizeUnknown = true;
  Run({cut});
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_TRUE(ReadFile(target) == Data(0, 50000));
  EXPECT_EQ(engine->Item(0).fileSize, 50000);
}

// Servers that misbehave: whatever they send, an item ends after a few
// requests, nothing is written past what an answer announced, and a body
// that turns out to be the whole file is never appended.
TEST_F(DownloadEngineTest, MisbehavingServersGetFewRequestsAndNoMisplacedByte) {
  struct Case {
    const char* what;
    std::string path;
    int64_t pageSize;
    size_t onDisk;        // bytes of the file already there (resumed)
    bool byQuery;
    int32_t status;
    std::string bytes;    // the file afterwards
    int maxRequests;
  };
  const Case cases[] = {
      // Range ignored and every body cut at 5,000 bytes: the item ends with
      // what arrived once requests stop moving the file on.
      {"norange, short with length", "/data/10000?norange=1&cut=5000", 10000, 0, false, item::kDone, Data(0, 5000), 4},
      {"norange, short without length", "/data/10000?norange=1&nolength=1&cut=5000", 10000, 0, false, item::kDone,
       Data(0, 5000), 4},
      // The whole file again, from 0: it replaces what was there.
      {"norange, resumed, short", "/data/10000?norange=1&cut=3000", 10000, 4000, false, item::kDone, Data(0, 3000), 3},
      // The page's size is larger than anything the server sends.
      {"short of the page's size", "/data/6000?nolength=1", 10000, 0, false, item::kDone, Data(0, 6000), 4},
      // "_filesize" ignored: the whole file again, with and without a length.
      {"filesize ignored, length", "/data/10000?nofilesize=1", 10000, 5000, true, item::kDone, Data(0, 10000), 1},
      {"filesize ignored, no length", "/data/10000?nofilesize=1&nolength=1", 10000, 5000, true, item::kDone,
       Data(0, 10000), 2},
      {"filesize honoured, no length", "/data/10000?nolength=1", 10000, 5000, true, item::kDone, Data(0, 10000), 1},
      // A range labelled 50-59/60 carrying 100,000 bytes: ten are written,
      // the rest breaks the request.
      {"over-long 206", "/data/100050?crange=50-59/60", 60, 50, false, item::kFailed, Data(0, 60), 1},
      // A range never asked for, far past the file: nothing usable arrives.
      {"206 not asked for", "/data/100?crange=1000000000-1000000099/1000000100", 100, 0, false, item::kFailed,
       "<missing>", 3},
      // The same for a resumed file: what was there stays.
      {"206 far away, resumed", "/data/100?crange=1000000000-1000000099/1000000100", 100, 40, false, item::kFailed,
       Data(0, 40), 3},
      // A range not asked for that starts the file: written where it says.
      {"206 from 0 not asked for", "/data/100?crange=0-99/100", 100, 0, false, item::kDone, Data(0, 100), 1},
  };
  options.writeLog = true;
  for (const Case& c : cases) {
    p::RemoveFile(folder / u"m.bin");
    if (c.onDisk) WriteFile(folder / u"m.bin", Data(0, c.onDisk));
    options.alwaysResume = c.onDisk > 0;
    options.resumeByQuery = c.byQuery;
    http_tests::ClearRequests();
    guardTripped = false;
    Run({Item(ServerUrl(c.path), u"m.bin", c.pageSize)});
    const int requests = http_tests::RequestCount();
    std::cout << "[ requests ] control, " << c.what << ": " << requests << "\n";
    EXPECT_FALSE(guardTripped) << c.what;
    EXPECT_LE(requests, c.maxRequests) << c.what << "\n" << http_tests::Fetch("/_raw/answered");
    EXPECT_EQ(Status(0), c.status) << c.what;
    EXPECT_TRUE(ReadFile(folder / u"m.bin") == c.bytes) << c.what << ": " << ReadFile(folder / u"m.bin").size();
    EXPECT_EQ(engine->EndCode(), c.status == item::kDone ? endcode::kCompleted : endcode::kFailed) << c.what;
  }
}

// The rate limit holds the run to its rate by the run's clock: 100,000 bytes
// at 10 KB/s take about ten seconds of it, and no real time.
TEST_F(DownloadEngineTest, TheRateLimitWaitsOnTheRunsClock) {
  options.limitRateKB = 10;
  Run({Item(ServerUrl("/data/100000"), u"r.bin", 100000)});
  EXPECT_EQ(Status(0), item::kDone);
  EXPECT_TRUE(ReadFile(folder / u"r.bin") == Data(0, 100000));
  EXPECT_GE(clock.Elapsed(), 9000u);
  EXPECT_LE(clock.Elapsed(), 11000u);
  EXPECT_FALSE(clock.Sleeps().empty());
}

// Answers that keep naming a place the file cannot take fail the item with
// that reason in the log, as the agent says it, not as a generic error.
TEST_F(DownloadEngineTest, RangesThatNeverJoinTheFileFailWithTheirReason) {
  options.writeLog = true;
  Run({Item(ServerUrl("/data/100?crange=1000000000-1000000099/1000000100"), u"m.bin", 100)});
  EXPECT_EQ(Status(0), item::kFailed);
  EXPECT_EQ(engine->EndCode(), endcode::kFailed);
  EXPECT_EQ(std::count(log.begin(), log.end(), "Misplaced Content-Range: bytes 1000000000-1000000099/1000000100"), 1)
      << ::testing::PrintToString(log);
  EXPECT_EQ(std::count(log.begin(), log.end(), "다운로드 에러"), 0);
  EXPECT_EQ(ReadFile(folder / u"m.bin"), "<missing>");
}

}  // namespace
}  // namespace vard
