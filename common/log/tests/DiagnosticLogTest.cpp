// Record layout byte for byte, the switch, the host address cache, and the
// file itself in a private temporary folder.
#include <gtest/gtest.h>

#include <random>

#include "common/log/DiagnosticLog.h"
#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/testing/FakeClock.h"

namespace vard {
namespace {

namespace p = platform;

const p::UtcTime kTime{2026, 3, 5, 7, 8, 9, 0};
const LogStyle kAgent{u"VardKT+(1,0,5,3225)", u"1"};
const std::string kRule = std::string(100, '-') + "\r\n";

LogEvent Event() {
  LogEvent e;
  e.url = u"http://h/f.zip";
  e.fileSize = 5242880;
  e.path = u"C:\\d\\f.zip";
  e.message = u"download";
  return e;
}

TEST(LogRecordTest, WithoutOffsetAndFinalSizeTheDateFollowsThePath) {
  EXPECT_EQ(FormatLogRecord(Event(), kAgent, kTime, "10.0.0.2"),
            "http://h/f.zip\t5.00MB\r\nC:\\d\\f.zip\t2026/3/5 7:8:9\tVardKT+(1,0,5,3225)\t"
            "download\r\n10.0.0.2\t1\r\n" + kRule);
}

TEST(LogRecordTest, OffsetFinalSizeAndExtra) {
  LogEvent e = Event();
  e.fileSize = 0;
  e.offset = 1536;
  e.finalSize = 1073741824LL * 3 / 2;
  e.extra = "code=5";
  EXPECT_EQ(FormatLogRecord(e, {u"VardKT(5,0,0,2275)", u""}, kTime, ""),
            "http://h/f.zip\t0.00KB\r\nC:\\d\\f.zip\toffset:1.50KB\r\nsize:1.50GB\r\n"
            "2026/3/5 7:8:9\tVardKT(5,0,0,2275)\tdownload\tcode=5\r\n\t\r\n" + kRule);
  e.extra = "";
  EXPECT_EQ(FormatLogRecord(e, kAgent, kTime, "a").find("download\t"), std::string::npos);
}

TEST(LogOptionTest, TakenFromTheCommandLine) {
  SetLogOptionFromCommandLine(u" -Mdownload -Lko -KTLOG1");
  EXPECT_EQ(LogOption(), u"1");
  SetLogOptionFromCommandLine(u"-KTLOGtrace level -Lko");
  EXPECT_EQ(LogOption(), u"trace level");
  SetLogOptionFromCommandLine(u" -Mdownload -KTLOG -Lko");
  EXPECT_EQ(LogOption(), u"");
  SetLogOptionFromCommandLine(u" -Mdownload");
  EXPECT_EQ(LogOption(), u"");
}

int g_lookups = 0;
std::string FailsOnce() { return ++g_lookups == 1 ? "" : "192.168.1.9"; }

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A private temporary folder, in the OS form the environment holds.
    const auto tmp = p::GetEnv("TMP");
    std::string base = tmp ? *tmp : p::GetEnv("TMPDIR").value_or("/tmp");
    const char sep = base.find('\\') != std::string::npos ? '\\' : '/';
    if (!base.empty() && base.back() == sep) base.pop_back();
    saved_ = {tmp, p::GetEnv("TMPDIR")};
    const std::string mine = base + sep + "vard-log-" + std::to_string(std::random_device{}());
    p::SetEnv("TMP", mine.c_str());
    p::SetEnv("TMPDIR", mine.c_str());
    folder_ = p::TempFolder();
    folder_.pop_back();
    p::MakeDirectory(folder_);
    p::RemoveFile(LogFilePath());
    g_lookups = 0;
  }
  void TearDown() override {
    p::RemoveFile(LogFilePath());
    p::RemoveFolder(folder_);
    p::SetEnv("TMP", saved_.first ? saved_.first->c_str() : nullptr);
    p::SetEnv("TMPDIR", saved_.second ? saved_.second->c_str() : nullptr);
    SetLogOption(u"");
  }
  std::string Contents() {
    p::File f = p::File::Open(LogFilePath(), p::access::kRead, p::share::kRead | p::share::kWrite,
                              p::Disposition::kOpenExisting);
    std::string text(static_cast<size_t>(std::max<int64_t>(f.Size(), 0)), '\0');
    uint32_t got = 0;
    if (!text.empty()) f.Read(text.data(), static_cast<uint32_t>(text.size()), &got);
    return text;
  }

  std::pair<std::optional<std::string>, std::optional<std::string>> saved_;
  std::u16string folder_;
  LogHostAddress host_{FailsOnce};
};

TEST_F(LogFileTest, NothingIsWrittenWithoutAnOptionValue) {
  EXPECT_EQ(LogFilePath(), folder_ + u"\\VardKT.log");
  SetLogOptionFromCommandLine(u" -Mdownload -KTLOG -Lko");
  WriteLog(Event(), p::SystemClock(), host_);
  WriteControlLog(false, Event(), p::SystemClock(), host_);
  EXPECT_FALSE(p::PathExists(LogFilePath()));
  EXPECT_EQ(g_lookups, 0);
}

TEST_F(LogFileTest, RecordsAreAppendedAndTheAddressCachedAfterSuccess) {
  SetLogOptionFromCommandLine(u" -Mdownload -KTLOGx");
  WriteLog(Event(), p::SystemClock(), host_);  // lookup fails: empty address
  WriteLog(Event(), p::SystemClock(), host_);  // looked up again, succeeds
  WriteControlLog(true, Event(), p::SystemClock(), host_);  // cached
  const std::string text = Contents();
  EXPECT_EQ(g_lookups, 2);
  const size_t first = text.find("\r\n\tx\r\n"), second = text.find("\r\n192.168.1.9\tx\r\n");
  EXPECT_NE(first, std::string::npos);
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_NE(text.find("VardKT(5,0,0,2275)\tdownload\r\n192.168.1.9\t\r\n"), std::string::npos);
  size_t rules = 0;
  for (size_t at = text.find(kRule); at != std::string::npos; at = text.find(kRule, at + 1)) ++rules;
  EXPECT_EQ(rules, 3u);
}

TEST_F(LogFileTest, EachRecordIsDatedByTheClockHandedIn) {
  SetLogOption(u"1");
  p::testing::FakeClock clock({2026, 3, 5, 7, 8, 9, 0});
  WriteLog(Event(), clock);
  clock.Advance(61000);
  WriteControlLog(true, Event(), clock);
  const std::string text = Contents();
  EXPECT_NE(text.find("\t2026/3/5 7:8:9\tVardKT+(1,0,5,3225)\t"), std::string::npos) << text;
  EXPECT_NE(text.find("\t2026/3/5 7:9:10\tVardKT(5,0,0,2275)\t"), std::string::npos) << text;
}

TEST(LogHostAddressTest, KeptAfterTheFirstSuccessUntilForgotten) {
  int calls = 0;
  LogHostAddress host([&] { return ++calls == 1 ? std::string() : "10.0.0." + std::to_string(calls); });
  EXPECT_EQ(host.Get(), "");
  EXPECT_EQ(host.Get(), "10.0.0.2");
  EXPECT_EQ(host.Get(), "10.0.0.2");
  host.Forget();
  EXPECT_EQ(host.Get(), "10.0.0.3");
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace vard
