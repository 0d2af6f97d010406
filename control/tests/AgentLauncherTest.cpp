// The control's hand-off: what it writes, what it starts, whom it tells.
#include "control/AgentLauncher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "common/handoff/AgentNames.h"
#include "common/handoff/SavedDownloads.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/FileSystem.h"
#include "common/platform/NamedMutex.h"
#include "common/platform/testing/FakeClock.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"
#include "control/PageCookies.h"

namespace vard {
namespace {

struct FakeAgent : IAgentProcess {
  bool Running() override { return running; }
  bool Start(const std::u16string& program, const std::u16string& parameters, uint32_t) override {
    starts.push_back(program + u"|" + parameters);
    running = startWorks;
    return startWorks;
  }
  bool Notify(uint32_t) override {
    ++notifies;
    return running;
  }
  bool running = false;
  bool startWorks = true;
  std::vector<std::u16string> starts;
  int notifies = 0;
};

class LauncherTest : public ::testing::Test {
 protected:
  LauncherTest() {
    // Unique names: the session lock is real.
    names.suffix = AsciiToUtf16("_lt" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  }
  AgentLauncher Launcher(uint32_t waitLimitMs = kHandOffWaitMs) {
    AgentLauncherSetup s;
    s.clock = &clock;
    s.regions = &mem;
    s.names = names;
    s.program = u"\\sys\\MWKTPlusProc.exe";
    s.savedDownloadsPath = dir / u"kt_save.dat";
    s.pageCookies = [this](const std::u16string& url) {
      ++cookieReads;
      return PageCookies{u"sid=1 for " + url, secureCookie};
    };
    s.agent = &agent;
    s.waitLimitMs = waitLimitMs;
    return AgentLauncher(std::move(s));
  }
  static AgentHandOffRequest Request(size_t items) {
    AgentHandOffRequest r;
    r.batch = std::vector<DownloadItem>();
    for (size_t i = 0; i < items; ++i) {
      DownloadItem item;
      item.url = u"http://h/f" + AsciiToUtf16(std::to_string(i));
      item.displayName = u"f" + AsciiToUtf16(std::to_string(i));
      item.subFolder = u"sub";
      item.fileSize = 10;
      r.batch->push_back(item);
    }
    r.pageUrl = u"http://H/x.html";
    r.language = u"ko";
    r.title = u"VardKT";
    r.rateLimitKb = 64;
    return r;
  }
  DownloadRecordRegion& Records() { return mem.As<DownloadRecordRegion>(names(region_name::kDownload)); }
  TextRegion& Title() { return mem.As<TextRegion>(names(region_name::kDownloadTitle)); }

  platform::testing::FakeClock clock;
  testing::MemoryRegions mem;
  HandOffNames names;
  std::u16string Cookie() { return ReadField(mem.As<CookieRegion>(names(region_name::kDownloadCookie)).info.cookie); }

  FakeAgent agent;
  platform::testing::TestFolder dir;
  bool secureCookie = true;
  int cookieReads = 0;
};

TEST_F(LauncherTest, StartsAnAgentThatDoesNotRunAndNotifiesIt) {
  Launcher().HandOff(Request(3));
  ASSERT_EQ(agent.starts.size(), 1u);
  EXPECT_EQ(agent.starts[0], u"\\sys\\MWKTPlusProc.exe| -Mdownload -Lko");
  EXPECT_EQ(agent.notifies, 1);
  EXPECT_EQ(Records().count, 3);
  EXPECT_EQ(ReadField(Records().records[1].file_name), u"f1");
  EXPECT_EQ(ReadField(Records().records[1].folder), u"sub");
  EXPECT_EQ(Records().records[1].speed_limit_kb, 64);
  EXPECT_EQ(Records().records[1].state, 1);
  // The default title leaves the title region zero.
  EXPECT_EQ(ReadField(Title().text), u"");
  auto& cookie = mem.As<CookieRegion>(names(region_name::kDownloadCookie));
  EXPECT_EQ(cookie.count, 1);
  EXPECT_EQ(ReadField(cookie.info.cookie), u"sid=1 for http://H/x.html");
}

TEST_F(LauncherTest, ARunningAgentIsOnlyNotified) {
  agent.running = true;
  AgentHandOffRequest r = Request(1);
  r.title = u"Shop downloads";
  r.logText = u"1";
  r.notificationUrl = u"http://page/done";
  Launcher().HandOff(r);
  EXPECT_TRUE(agent.starts.empty());
  EXPECT_EQ(agent.notifies, 1);
  EXPECT_EQ(ReadField(Title().text), u"Shop downloads");
  EXPECT_EQ(ReadField(mem.As<TextRegion>(names(region_name::kDownloadUrlNoti)).text), u"http://page/done");
  EXPECT_EQ(AgentLauncher::CommandLine(r), u" -Mdownload -Lko -KTLOG1");
}

TEST_F(LauncherTest, AFailedStartNotifiesNobody) {
  agent.startWorks = false;
  Launcher().HandOff(Request(1));
  EXPECT_EQ(agent.starts.size(), 1u);
  EXPECT_EQ(agent.notifies, 0);
}

TEST_F(LauncherTest, AThousandItemsGiveNineHundredNinetyNineRecords) {
  Launcher().HandOff(Request(1000));
  EXPECT_EQ(Records().count, 999);
  EXPECT_EQ(ReadField(Records().records[998].file_name), u"f998");
}

TEST_F(LauncherTest, UrlsAreEscapedFromUtf8WhenAsked) {
  AgentHandOffRequest r = Request(1);
  (*r.batch)[0].url = u"http://h/\ud55c.txt";
  r.utf8Urls = true;
  Launcher().HandOff(r);
  EXPECT_EQ(ReadField(Records().records[0].url), u"http://h/%ED%95%9C.txt");
}

TEST_F(LauncherTest, SavedDownloadHandsOverThePendingRecordsUnchanged) {
  {
    platform::File f = platform::File::Open(dir / u"kt_save.dat", platform::access::kWrite,
                                              platform::share::kRead, platform::Disposition::kCreateAlways);
    ASSERT_TRUE(f.IsOpen());
    for (int32_t state : {1, 2, 1}) {
      DOWNLOAD_INFO rec = MakeDownloadRecord(u"http://h/s", u"", u"s", 5, 7);
      rec.state = state;
      uint32_t written = 0;
      ASSERT_TRUE(f.Write(&rec, sizeof rec, &written));
    }
  }
  AgentHandOffRequest r;
  r.language = u"en";
  Launcher().HandOff(r);
  EXPECT_EQ(Records().count, 2);
  EXPECT_EQ(Records().records[1].speed_limit_kb, 7);
  EXPECT_EQ(agent.starts[0], u"\\sys\\MWKTPlusProc.exe| -Mdownload -Len");
}

// The agent sends the batch's one cookie to every item's host, so the page's
// cookies go only into a batch whose every item is on the page's host.
TEST_F(LauncherTest, ThePagesCookiesGoOnlyWithABatchOnThePagesHost) {
  AgentHandOffRequest r = Request(3);
  (*r.batch)[2].url = u"http://cdn.h/f2";
  Launcher().HandOff(r);
  EXPECT_EQ(Cookie(), u"");
  EXPECT_EQ(Records().count, 3);  // the items still go, without the cookies

  // An https page's cookies may hold a Secure one: never to an http item,
  // unless the store said none is Secure.
  r = Request(2);
  r.pageUrl = u"https://h/x.html";
  (*r.batch)[0].url = u"https://h/f0";
  Launcher().HandOff(r);
  EXPECT_EQ(Cookie(), u"");
  secureCookie = false;
  Launcher().HandOff(r);
  EXPECT_EQ(Cookie(), u"sid=1 for https://h/x.html");

  // A page without a host (a file: page) has no host to share.
  r = Request(1);
  r.pageUrl = u"file:///C:/x.html";
  Launcher().HandOff(r);
  EXPECT_EQ(Cookie(), u"");

  // Nothing to fetch, nothing to carry: the store is not read.
  const int reads = cookieReads;
  Launcher().HandOff(Request(0));
  EXPECT_EQ(Cookie(), u"");
  EXPECT_EQ(cookieReads, reads);
}

// Saved records came from earlier pages: the page now handing them over
// lends its cookies only when each of them is on its host.
TEST_F(LauncherTest, SavedRecordsGetThePagesCookiesOnlyOnItsHost) {
  const auto save = [&](std::initializer_list<const char16_t*> urls) {
    platform::File f = platform::File::Open(dir / u"kt_save.dat", platform::access::kWrite, platform::share::kRead,
                                            platform::Disposition::kCreateAlways);
    ASSERT_TRUE(f.IsOpen());
    for (const char16_t* url : urls) {
      const DOWNLOAD_INFO rec = MakeDownloadRecord(url, u"", u"s", 5, 0);
      uint32_t written = 0;
      ASSERT_TRUE(f.Write(&rec, sizeof rec, &written));
    }
  };
  AgentHandOffRequest r;
  r.pageUrl = u"http://h/x.html";
  save({u"http://h/a", u"http://evil.test/b"});
  Launcher().HandOff(r);
  EXPECT_EQ(Records().count, 2);
  EXPECT_EQ(Cookie(), u"");
  save({u"http://h/a", u"http://h:8080/b"});
  Launcher().HandOff(r);
  EXPECT_EQ(Cookie(), u"sid=1 for http://h/x.html");
}

TEST_F(LauncherTest, ABusyHandOffLockIsWaitedForWithinTheBound) {
  bool existed = false;
  platform::NamedMutex other = platform::NamedMutex::Create(names(kDownloadHandOffLock), &existed);
  ASSERT_TRUE(other.IsValid());
  ASSERT_FALSE(existed);
  // Released after 2 s: the hand-off waits for it, then goes on.
  clock.At(2000, [&] { other.Close(); });
  const uint32_t start = clock.TickCount();
  Launcher().HandOff(Request(1));
  EXPECT_GE(clock.MillisecondsSince(start), 2000u);
  EXPECT_LT(clock.MillisecondsSince(start), 3000u);
  EXPECT_EQ(agent.notifies, 1);

  // A lock that never comes free costs the bound and no more; the batch
  // still goes.
  platform::NamedMutex stuck = platform::NamedMutex::Create(names(kDownloadHandOffLock), &existed);
  const uint32_t again = clock.TickCount();
  Launcher(5000).HandOff(Request(2));
  EXPECT_LE(clock.MillisecondsSince(again), 5100u);
  EXPECT_EQ(Records().count, 2);
}

// The running agent is told of a batch only with messages a page may send:
// an agent that runs above the page's integrity lets nothing else through
// its message filter. It is raised only once it has answered.
TEST(DownloadAgent, TellsTheRunningAgentOnlyWithMessagesPagesMaySend) {
  std::vector<std::u16string> sent, raised;
  bool answers = true;
  AgentWindows w;
  w.find = [](const std::u16string& className, const platform::WindowRef*) {
    return std::optional<platform::WindowRef>(platform::WindowRef{0, className});
  };
  w.send = [&](const platform::WindowRef& window, const std::u16string& name, uint32_t) {
    sent.push_back(window.className + u" " + name);
    const bool mayPass =
        std::find(kMessagesFromPages.begin(), kMessagesFromPages.end(), name) != kMessagesFromPages.end();
    EXPECT_TRUE(mayPass) << Utf16ToUtf8(name);
    return answers;
  };
  w.bringToTop = [&](const platform::WindowRef& window) {
    raised.push_back(window.className);
    return true;
  };
  platform::testing::FakeClock clock;
  const auto agent = MakeDownloadAgent(clock, w);
  EXPECT_TRUE(agent->Notify(1000));
  EXPECT_EQ(sent, (std::vector<std::u16string>{std::u16string(kDownloadViewClass) + u" " + kInsertQueueMessage}));
  EXPECT_EQ(raised, (std::vector<std::u16string>{kDownloadMainClass}));
  answers = false;
  EXPECT_FALSE(agent->Notify(1000));
  EXPECT_EQ(raised.size(), 1u);
}

TEST(PageCookies, KeepsPlainPairsTrimmed) {
  EXPECT_EQ(FilterPageCookies(u"a=1; b=2"), u"a=1;  b=2");
  EXPECT_EQ(FilterPageCookies(u" a=1;b=%41;c;d=e=f;x="), u"a=1; x=");
  EXPECT_EQ(FilterPageCookies(u"\r\n\t"), u"");
  EXPECT_EQ(FilterPageCookies(u""), u"");
}

}  // namespace
}  // namespace vard
