// The broker form of the engine's output: chunks through the section, the
// session lock, resuming, and the run's choice of output.
#include "control/engine/BrokerTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "common/platform/FileSystem.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "common/platform/tests/TestFolder.h"
#include "control/engine/ProtectedModeTarget.h"
#include "control/engine/tests/RecordingBroker.h"

namespace vard {
namespace {

namespace p = platform;
using p::testing::TestFolder;
using testing::RecordingBroker;

std::string ReadFile(const std::u16string& path) {
  p::File f = p::File::Open(path, p::access::kRead, p::share::kRead | p::share::kWrite, p::Disposition::kOpenExisting);
  std::string bytes;
  if (!f.IsOpen()) return "<missing>";
  char buf[65536];
  uint32_t got = 0;
  while (f.Read(buf, sizeof buf, &got) && got) bytes.append(buf, got);
  return bytes;
}

std::string Pattern(char seed, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i % 23);
  return s;
}

// A section and lock of the test's own, so that parallel tests never meet.
std::u16string Unique(const char* tag) {
  static int counter = 0;
  return AsciiToUtf16(std::string("VardTargetTest-") + tag + "-" + std::to_string(++counter) + "-" +
                      std::to_string(reinterpret_cast<uintptr_t>(&counter) % 100000));
}

class BrokerOutput : public ::testing::Test {
 protected:
  ~BrokerOutput() override { p::RemoveSharedMemoryName(sectionName); }
  TestFolder dir;
  std::u16string sectionName = Unique("section");
  p::SharedMemory section = p::SharedMemory::CreateOrOpen(sectionName, p::kBrokerSectionSize);
  RecordingBroker broker{sectionName};
  BrokerTarget target{broker, section, p::SystemClock(), p::RealFileSystem(), Unique("lock")};
};

TEST_F(BrokerOutput, TwelveThousandBytesGoAsThreeChunks) {
  const std::u16string path = dir / u"a.bin";
  ASSERT_TRUE(target.Open(path, false));
  const std::string data = Pattern('a', 12000);
  EXPECT_EQ(target.Write(data.data(), 12000), 12000u);
  target.Close();
  EXPECT_EQ(broker.chunks, (std::vector<uint32_t>{5120, 5120, 1760}));
  EXPECT_EQ(ReadFile(path), data);
  EXPECT_EQ(broker.Calls().front(), "open 2 " + Utf16ToUtf8(path));
}

TEST_F(BrokerOutput, AResumeLearnsTheSizeWithoutASeekAndAppends) {
  const std::u16string path = dir / u"r.bin";
  ASSERT_TRUE(target.Open(path, false));
  EXPECT_EQ(target.Write("0123456789", 10), 10u);
  target.Close();
  ASSERT_TRUE(target.Open(path, true));
  EXPECT_EQ(target.Size(), 10);
  EXPECT_EQ(target.Write("abc", 3), 3u);
  target.Close();
  EXPECT_EQ(ReadFile(path), "0123456789abc");
  const auto calls = broker.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "seek"), 0);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "open 3 " + Utf16ToUtf8(path)), calls.end());
}

TEST_F(BrokerOutput, AResumeOfAMissingFileCreatesIt) {
  const std::u16string path = dir / u"new.bin";
  ASSERT_TRUE(target.Open(path, true));
  const auto calls = broker.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0], "open 3 " + Utf16ToUtf8(path));
  EXPECT_EQ(calls[1], "open 2 " + Utf16ToUtf8(path));
  EXPECT_EQ(target.Size(), 0);
}

TEST_F(BrokerOutput, AShortWriteStopsTheChunksAndCountsWhatArrived) {
  ASSERT_TRUE(target.Open(dir / u"s.bin", false));
  broker.writeLimit = 100;
  const std::string data = Pattern('s', 12000);
  EXPECT_EQ(target.Write(data.data(), 12000), 100u);
  EXPECT_EQ(broker.chunks.size(), 1u);
}

TEST_F(BrokerOutput, CuttingOnlyToNothingOrToTheEnd) {
  const std::u16string path = dir / u"c.bin";
  ASSERT_TRUE(target.Open(path, false));
  EXPECT_EQ(target.Write("0123456789", 10), 10u);
  EXPECT_TRUE(target.CutAt(10));
  EXPECT_FALSE(target.CutAt(4)) << "claimed a cut the broker cannot make";
  EXPECT_TRUE(target.CutAt(0));
  EXPECT_EQ(target.Write("xy", 2), 2u);
  target.Close();
  EXPECT_EQ(ReadFile(path), "xy");
  EXPECT_FALSE(target.CutAt(0));  // no file
}

// Where marks are streams beside the files, the broker writes the mark once
// the file is closed, as it writes a file (the page's process may not write
// beside it); elsewhere the control's file seam writes it.
TEST_F(BrokerOutput, TheOriginMarkGoesThroughTheBrokerWhereItIsAStream) {
  const p::OriginMark mark = p::MakeOriginMark(u"http://files.test/a.bin", u"http://shop.test/", p::UrlZone::kInternet);
  const std::string data = Pattern('m', 6000);
  for (const bool streams : {true, false}) {
    SCOPED_TRACE(streams ? "streams" : "no streams");
    p::testing::FaultyFileSystem files(p::RealFileSystem());
    files.KeepMarksInMemory();
    if (streams) files.KeepMarksInStreams();
    RecordingBroker marking{sectionName};
    BrokerTarget marked{marking, section, p::SystemClock(), files, Unique("lock")};
    marked.SetOrigin(mark);
    const std::u16string path = dir / (streams ? u"s.bin" : u"n.bin");
    ASSERT_TRUE(marked.Open(path, false));
    EXPECT_EQ(marked.Write(data.data(), 6000), 6000u);
    marked.Close();
    EXPECT_EQ(ReadFile(path), data);
    if (streams) {
      EXPECT_EQ(marking.streams, (std::map<std::u16string, std::string>{
                                     {path + u":Zone.Identifier", p::ZoneIdentifierText(mark)}}));
      EXPECT_FALSE(files.ReadOriginMark(path));
    } else {
      EXPECT_TRUE(marking.streams.empty());
      EXPECT_EQ(files.ReadOriginMark(path), mark);
    }
  }
}

TEST(BrokerOutputLock, TwoWritersThroughTwoBrokersEndWithTwoIntactFiles) {
  TestFolder dir;
  const std::u16string sectionName = Unique("shared");
  const std::u16string lockName = Unique("shared-lock");
  const std::string one = Pattern('A', 400000), two = Pattern('a', 400000);
  auto writer = [&](const std::u16string& path, const std::string& data) {
    p::SharedMemory section = p::SharedMemory::CreateOrOpen(sectionName, p::kBrokerSectionSize);
    RecordingBroker broker(sectionName);
    broker.slow = true;
    BrokerTarget target(broker, section, p::SystemClock(), p::RealFileSystem(), lockName);
    ASSERT_TRUE(target.Open(path, false));
    // Reads of uneven sizes, as the network gives them.
    for (size_t at = 0; at < data.size();) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(7000 + at % 3000, data.size() - at));
      ASSERT_EQ(target.Write(data.data() + at, n), n);
      at += n;
    }
    target.Close();
  };
  std::thread first(writer, dir / u"one.bin", one);
  std::thread second(writer, dir / u"two.bin", two);
  first.join();
  second.join();
  p::RemoveSharedMemoryName(sectionName);
  EXPECT_TRUE(ReadFile(dir / u"one.bin") == one);
  EXPECT_TRUE(ReadFile(dir / u"two.bin") == two);
}

// The run's output: what BeginRun chose, and the fallback.
class RunOutput : public ::testing::Test {
 protected:
  ~RunOutput() override {
    output.reset();
    p::RemoveSharedMemoryName(sectionName);
  }
  ProtectedModeTarget& Make() {
    ProtectedModeServices s;
    s.clock = &p::SystemClock();
    s.files = files;
    s.osMajorVersion = [this] { return major; };
    s.createBroker = [this]() -> std::unique_ptr<p::IElevationBroker> {
      ++created;
      if (!available) return nullptr;
      auto b = std::make_unique<RecordingBroker>(sectionName);
      last = b.get();
      return b;
    };
    s.sectionName = sectionName;
    s.lockName = Unique("run-lock");
    output = std::make_unique<ProtectedModeTarget>(std::move(s));
    return *output;
  }
  void WriteOne(const std::u16string& path) {
    ASSERT_TRUE(output->Open(path, false));
    ASSERT_EQ(output->Write("data", 4), 4u);
    output->Close();
  }

  TestFolder dir;
  std::u16string sectionName = Unique("run");
  int major = 10;
  bool available = true;
  int created = 0;
  p::IFileSystem* files = &p::RealFileSystem();
  RecordingBroker* last = nullptr;
  std::unique_ptr<ProtectedModeTarget> output;
};

TEST_F(RunOutput, EveryRunOnANewerSystemHasItsOwnBroker) {
  ProtectedModeTarget& out = Make();
  out.BeginRun();
  ASSERT_TRUE(out.ThroughBroker());
  WriteOne(dir / u"1.bin");
  EXPECT_EQ(last->chunks, (std::vector<uint32_t>{4}));
  out.EndRun();
  EXPECT_FALSE(out.ThroughBroker());
  out.BeginRun();
  EXPECT_EQ(created, 2);
  out.EndRun();
  EXPECT_EQ(ReadFile(dir / u"1.bin"), "data");
}

// The origin of a run's file reaches the run's own broker where marks are
// streams, and the file seam when the run writes directly.
TEST_F(RunOutput, TheMarkTakesTheRunsRoad) {
  const p::OriginMark mark = p::MakeOriginMark(u"http://files.test/1.bin", u"http://shop.test/", p::UrlZone::kInternet);
  p::testing::FaultyFileSystem marks(p::RealFileSystem());
  marks.KeepMarksInMemory();
  marks.KeepMarksInStreams();
  files = &marks;
  ProtectedModeTarget& out = Make();
  out.BeginRun();
  out.SetOrigin(mark);
  WriteOne(dir / u"1.bin");
  EXPECT_EQ(last->streams[dir / u"1.bin:Zone.Identifier"], p::ZoneIdentifierText(mark));
  out.EndRun();
  available = false;
  out.BeginRun();
  out.SetOrigin(mark);
  WriteOne(dir / u"2.bin");
  out.EndRun();
  // Writing directly, the process writes its marks itself.
  EXPECT_EQ(marks.ReadOriginMark(dir / u"2.bin"), mark);
  output.reset();
}

TEST_F(RunOutput, WithoutABrokerTheRunWritesDirectly) {
  available = false;
  ProtectedModeTarget& out = Make();
  out.BeginRun();
  EXPECT_EQ(created, 1);
  EXPECT_FALSE(out.ThroughBroker());
  WriteOne(dir / u"direct.bin");
  out.EndRun();
  EXPECT_EQ(ReadFile(dir / u"direct.bin"), "data");
}

TEST_F(RunOutput, AnOlderSystemNeverAsks) {
  major = 5;
  ProtectedModeTarget& out = Make();
  out.BeginRun();
  EXPECT_EQ(created, 0);
  EXPECT_FALSE(out.ThroughBroker());
  WriteOne(dir / u"old.bin");
  out.EndRun();
  EXPECT_EQ(ReadFile(dir / u"old.bin"), "data");
}

TEST_F(RunOutput, NoSectionNoBroker) {
  // A section of the name exists and is too small to map whole.
  p::SharedMemory small = p::SharedMemory::CreateOrOpen(sectionName, 4096);
  ASSERT_TRUE(small.IsOpen());
  ProtectedModeTarget& out = Make();
  out.BeginRun();
  EXPECT_FALSE(out.ThroughBroker());
  EXPECT_EQ(created, 0);
  out.EndRun();
  p::RemoveSharedMemoryName(sectionName);
}

}  // namespace
}  // namespace vard
