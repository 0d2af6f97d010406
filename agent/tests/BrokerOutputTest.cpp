// The broker output's pipelined writes against a fake broker on a real
// pipe that keeps its file in memory and refuses or dies on cue: whatever
// happens inside the window of writes in flight, the file never holds a
// byte at the wrong offset, and the failure is the right one.
#include "agent/jobs/BrokerOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Environment.h"
#include "common/platform/Pipe.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

namespace p = platform;
using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 131 + i / 251) & 0xFF);
  return b;
}

// The file is a byte vector with a position, kept across connections.
// On the first connection: write number `refuseAt` (from 1) is refused
// after `refusedKeeps` of its bytes; with `diskStaysFull` every write after
// it is refused whole, with `refuseRewrites` those after a seek back are;
// at write `gatherAt` the fake reads `gather` more requests before it
// answers any (the writes in flight of a window); after `dieAfter` writes
// it hangs up.
class MemoryBroker {
 public:
  struct Faults {
    int refuseAt = 0;
    uint32_t refusedKeeps = 0;
    bool diskStaysFull = false;
    bool refuseRewrites = false;
    int gatherAt = 0;
    int gather = 0;
    int dieAfter = 0;
  };

  explicit MemoryBroker(Faults faults) : faults_(faults), name_(UniqueName()), listener_(name_, fsb::kMessageMax) {
    EXPECT_TRUE(listener_.Open());
    thread_ = std::thread([this] { Serve(); });
  }
  ~MemoryBroker() {
    stop_ = true;
    p::ConnectPipe(name_);  // wakes the accept
    thread_.join();
  }
  const std::u16string& Name() const { return name_; }
  Bytes File() {
    std::lock_guard lock(mutex_);
    return file_;
  }
  // Where the first refused write began.
  size_t RefusedFrom() {
    std::lock_guard lock(mutex_);
    return refusedFrom_;
  }
  // The dispositions of the opens, in order.
  std::vector<uint32_t> Opens() {
    std::lock_guard lock(mutex_);
    return opens_;
  }
  // The paths opened, in order, and what each held when it was closed last.
  std::vector<std::u16string> OpenPaths() {
    std::lock_guard lock(mutex_);
    return openPaths_;
  }
  std::optional<Bytes> Closed(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    const auto it = closed_.find(path);
    return it == closed_.end() ? std::nullopt : std::optional<Bytes>(it->second);
  }

 private:
  static std::u16string UniqueName() {
    static std::atomic<int> counter{0};
    return AsciiToUtf16("\\\\.\\pipe\\vard-memory-broker-" + std::to_string(++counter) + "-" +
                        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 99991));
  }

  void Serve() {
    for (bool first = true; !stop_; first = false) {
      bool fatal = false;
      p::PipeEnd pipe = listener_.Accept(&fatal);
      if (fatal) return;
      if (pipe.IsOpen() && !stop_) Connection(pipe, first ? faults_ : Faults{});
    }
  }

  void Connection(p::PipeEnd& pipe, const Faults faults) {
    std::deque<Bytes> held;
    uint8_t out[16];
    int writes = 0, requests = 0, firstRefused = 0;
    bool rewriting = false;
    const auto readOne = [&] {
      Bytes in(fsb::kMessageMax);
      uint32_t n = 0;
      if (!pipe.ReadMessage(in.data(), fsb::kMessageMax, &n)) return false;
      in.resize(n);
      held.push_back(std::move(in));
      ++requests;
      return true;
    };
    for (;;) {
      const int reads = writes + 1 == faults.gatherAt && held.empty() ? 1 + faults.gather : held.empty() ? 1 : 0;
      for (int i = 0; i < reads; ++i)
        if (!readOne()) return;
      const Bytes in = std::move(held.front());
      held.pop_front();
      uint32_t n = 0;
      fsb::BrokerRequest r{};
      std::span<const uint8_t> payload;
      if (!fsb::DecodeRequest(in, &r, &payload)) return;
      uint32_t size = 4;
      fsb::PutU32(out, fsb::status::kSuccess);
      std::lock_guard lock(mutex_);
      if (r.opcode == fsb::VDFS_OPEN && r.param == fsb::param::kSetPath) {
        path_ = fsb::PathFromPayload(payload);
      } else if (r.opcode == fsb::VDFS_OPEN && r.param == fsb::param::kOpen) {
        opens_.push_back(fsb::GetU32(payload.data()));
        openPaths_.push_back(path_);
        if (fsb::GetU32(payload.data()) == static_cast<uint32_t>(p::Disposition::kCreateAlways)) file_.clear();
        position_ = 0;
      } else if (r.opcode == fsb::VDFS_SEEK) {
        const int64_t base = r.param == 0 ? 0 : r.param == 1 ? position_ : static_cast<int64_t>(file_.size());
        position_ = static_cast<size_t>(base + fsb::GetI64(payload.data()));
        rewriting = writes >= faults.refuseAt && faults.refuseAt > 0;
        fsb::PutI64(out + 4, static_cast<int64_t>(position_));
        size = 12;
      } else if (r.opcode == fsb::VDFS_WRITE) {
        ++writes;
        const bool first = writes == faults.refuseAt;
        const bool after = faults.refuseAt > 0 && writes > faults.refuseAt;
        const bool refused = first || (after && (rewriting ? faults.refuseRewrites : faults.diskStaysFull));
        const auto length = static_cast<uint32_t>(payload.size());
        const uint32_t keep = !refused ? length : first ? std::min(faults.refusedKeeps, length) : 0;
        if (refused && refusedFrom_ == SIZE_MAX) refusedFrom_ = position_;
        if (file_.size() < position_ + keep) file_.resize(position_ + keep);
        std::memcpy(file_.data() + position_, payload.data(), keep);
        position_ += keep;
        fsb::PutU32(out, refused ? fsb::status::kFailed : fsb::status::kSuccess);
        fsb::PutU32(out + 4, keep);
        size = 8;
        if (refused && firstRefused == 0) firstRefused = writes;
        if (faults.dieAfter > 0 && writes >= faults.dieAfter) {
          // Dies with every request the client sends read (the window
          // behind the last answer it waits for; the open's two before):
          // a Win32 server end that closes waits for its answers to be
          // read, which a client blocked sending never would.
          const int waitedFor = firstRefused ? firstRefused : writes;
          while (requests < waitedFor - 1 + static_cast<int>(BrokerOutput::kWindow) + 2 && readOne()) {
          }
          return;
        }
      } else if (r.opcode == fsb::VDFS_CLOSE) {
        closed_[path_] = file_;
      } else if (r.opcode == fsb::VDFS_QUERY) {
        out[4] = 0;
        size = 5;
      }
      if (!pipe.WriteMessage(out, size, &n)) return;
    }
  }

  Faults faults_;
  std::u16string name_;
  p::PipeListener listener_;
  std::thread thread_;
  std::mutex mutex_;
  Bytes file_;
  size_t position_ = 0;
  size_t refusedFrom_ = SIZE_MAX;
  std::vector<uint32_t> opens_;
  std::u16string path_;
  std::vector<std::u16string> openPaths_;
  std::map<std::u16string, Bytes> closed_;
  std::atomic<bool> stop_{false};
};

class BrokerOutputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A runtime folder of our own for the POSIX pipes (another suite may
    // have left the variable pointing at one it removed).
    runtime = new p::testing::TestFolder;
    std::string os = Utf16ToUtf8(runtime->Path());
    for (char& c : os)
      if (c == '\\') c = '/';
    p::SetEnv("XDG_RUNTIME_DIR", os.c_str());
  }
  static void TearDownTestSuite() {
    delete runtime;
    runtime = nullptr;
  }
  // Writes `data` in blocks of `block` bytes; the result of the writes
  // and of the flush, the first that is not kWritten.
  WriteResult WriteThrough(MemoryBroker::Faults faults, const Bytes& data, uint32_t block) {
    broker.emplace(faults);
    client.emplace(p::SystemClock(), broker->Name());
    output.emplace(*client, u"unused", *files);
    EXPECT_EQ(client->Connect(1, 0), fsb::status::kSuccess);
    EXPECT_EQ(output->Prepare(), OutputReady::kReady);
    if (origin) output->SetOrigin(*origin);
    EXPECT_TRUE(output->Open(u"C:\\f.bin", false));
    WriteResult r = WriteResult::kWritten;
    for (size_t at = 0; at < data.size() && r == WriteResult::kWritten; at += block)
      r = output->Write(data.data() + at, static_cast<uint32_t>(std::min<size_t>(block, data.size() - at)));
    const WriteResult flushed = output->Flush();
    return r != WriteResult::kWritten ? r : flushed;
  }
  // Every byte of the broker's file is the data's byte at that offset.
  static bool RightPrefix(const Bytes& file, const Bytes& data) {
    return file.size() <= data.size() && std::equal(file.begin(), file.end(), data.begin());
  }
  void TearDown() override {
    output.reset();
    client.reset();  // the fake's connection ends, and with it its thread
    broker.reset();
  }

  static p::testing::TestFolder* runtime;
  p::IFileSystem* files = &p::RealFileSystem();
  std::optional<p::OriginMark> origin;
  std::optional<MemoryBroker> broker;
  std::optional<fsb::FileBrokerClient> client;
  std::optional<BrokerOutput> output;
};
p::testing::TestFolder* BrokerOutputTest::runtime = nullptr;

TEST_F(BrokerOutputTest, BlocksOfAnySizeArriveWholeAndInOrder) {
  const Bytes data = Pattern(1'000'003);
  for (uint32_t block : {1u, 4'096u, 32'768u, 100'000u, 1'000'003u}) {
    const Bytes part(data.begin(), data.begin() + (block == 1 ? 70'001 : data.size()));
    EXPECT_EQ(WriteThrough({}, part, block), WriteResult::kWritten) << block;
    EXPECT_EQ(broker->File(), part) << block;
    TearDown();
  }
}

TEST_F(BrokerOutputTest, RefusedWriteInTheWindowOnAFullDiskLeavesTheExactPrefix) {
  // The fifth write keeps 1,000 of its bytes, and the disk stays full.
  const Bytes data = Pattern(20 * fsb::kWriteMax);
  EXPECT_EQ(WriteThrough({.refuseAt = 5, .refusedKeeps = 1000, .diskStaysFull = true, .gatherAt = 5, .gather = 3},
                         data, 50'000),
            WriteResult::kFailed);
  const Bytes file = broker->File();
  EXPECT_EQ(file.size(), broker->RefusedFrom() + 1000);
  EXPECT_GT(broker->RefusedFrom(), 0u);
  EXPECT_TRUE(RightPrefix(file, data));
}

TEST_F(BrokerOutputTest, WritesThatLandedAfterARefusedOneArePutRight) {
  // Only the third write is refused; the ones in flight behind it went on
  // where it stopped, 500 bytes early.
  const Bytes data = Pattern(30 * fsb::kWriteMax);
  EXPECT_EQ(WriteThrough({.refuseAt = 3, .refusedKeeps = fsb::kWriteMax - 500, .gatherAt = 3, .gather = 4}, data,
                         3 * fsb::kWriteMax),
            WriteResult::kFailed);
  const Bytes file = broker->File();
  EXPECT_GT(file.size(), 3u * fsb::kWriteMax);  // the later writes did land
  EXPECT_TRUE(RightPrefix(file, data));
}

TEST_F(BrokerOutputTest, LandedWritesThatCannotBePutRightStartTheFileOver) {
  const Bytes data = Pattern(30 * fsb::kWriteMax);
  EXPECT_EQ(WriteThrough({.refuseAt = 3, .refusedKeeps = 10, .refuseRewrites = true, .gatherAt = 3, .gather = 4}, data,
                         3 * fsb::kWriteMax),
            WriteResult::kFailed);
  EXPECT_TRUE(broker->File().empty());
  EXPECT_EQ(broker->Opens().size(), 2u);
}

TEST_F(BrokerOutputTest, BrokerDyingInTheWindowIsALostConnectionWithARightPrefix) {
  const Bytes data = Pattern(40 * fsb::kWriteMax);
  EXPECT_EQ(WriteThrough({.dieAfter = 7}, data, 64 * 1024), WriteResult::kLost);
  EXPECT_FALSE(client->IsConnected());
  const Bytes file = broker->File();
  EXPECT_EQ(file.size(), 7u * fsb::kWriteMax);
  EXPECT_TRUE(RightPrefix(file, data));
  // Later writes say so at once, and nothing is left in flight.
  EXPECT_EQ(output->Write(data.data(), 10), WriteResult::kWritten);
  EXPECT_EQ(output->Flush(), WriteResult::kLost);
}

TEST_F(BrokerOutputTest, BrokerDyingAfterARefusedWriteResumesFromTheConfirmedBytes) {
  // The writes behind the refused one are never answered (a killed broker
  // answers nothing that was queued): where they went is unknown, so the
  // size on disk is no proof; the bytes the broker confirmed are.
  const Bytes data = Pattern(40 * fsb::kWriteMax);
  EXPECT_EQ(WriteThrough({.refuseAt = 3, .refusedKeeps = 100, .gatherAt = 3, .gather = 3, .dieAfter = 5}, data,
                         64 * 1024),
            WriteResult::kLost);
  EXPECT_GT(broker->File().size(), 2u * fsb::kWriteMax + 100);  // shifted bytes landed
  ASSERT_EQ(client->Connect(100, 20), fsb::status::kSuccess);  // the fake accepts again
  ASSERT_EQ(output->Prepare(), OutputReady::kReady);
  ASSERT_TRUE(output->Open(u"C:\\f.bin", true));
  const int64_t resumeAt = output->SeekToEnd();
  EXPECT_LE(resumeAt, 2 * int64_t{fsb::kWriteMax} + 100);
  // The job's resume goes on from there and the file comes out right.
  const auto from = static_cast<size_t>(resumeAt);
  EXPECT_EQ(output->Write(data.data() + from, static_cast<uint32_t>(data.size() - from)), WriteResult::kWritten);
  EXPECT_EQ(output->Flush(), WriteResult::kWritten);
  EXPECT_EQ(broker->File(), data);
  // Only that once: the next open trusts the size again.
  EXPECT_TRUE(output->Open(u"C:\\f.bin", true));
  EXPECT_EQ(output->SeekToEnd(), int64_t(data.size()));
}

TEST_F(BrokerOutputTest, BrokerDyingWithoutARefusalResumesWithinTheWrittenBytes) {
  const Bytes data = Pattern(20 * fsb::kWriteMax);
  EXPECT_EQ(WriteThrough({.dieAfter = 3}, data, 64 * 1024), WriteResult::kLost);
  ASSERT_EQ(client->Connect(100, 20), fsb::status::kSuccess);  // the fake accepts again
  ASSERT_TRUE(output->Open(u"C:\\f.bin", true));
  const int64_t resumeAt = output->SeekToEnd();
  // Answers queued when a broker dies may never arrive: at most the window.
  EXPECT_GE(resumeAt, 0);
  EXPECT_LE(resumeAt, 3 * int64_t{fsb::kWriteMax});
  EXPECT_TRUE(RightPrefix(broker->File(), data));
}

TEST_F(BrokerOutputTest, AnotherFileOpenedAfterALossKeepsItsSize) {
  EXPECT_EQ(WriteThrough({.dieAfter = 3}, Pattern(20 * fsb::kWriteMax), 64 * 1024), WriteResult::kLost);
  ASSERT_EQ(client->Connect(100, 20), fsb::status::kSuccess);  // the fake accepts again
  ASSERT_TRUE(output->Open(u"C:\\g.bin", true));  // the fake has one file for all names
  EXPECT_EQ(output->SeekToEnd(), 3 * int64_t{fsb::kWriteMax});
}

// The mark of a file written through the broker: where marks are streams
// beside the files, the broker writes the stream once the file is closed
// (the agent may not write beside the file); elsewhere the agent's file
// seam writes it and the broker sees no other file.
TEST_F(BrokerOutputTest, TheOriginMarkGoesThroughTheBrokerWhereItIsAStream) {
  const Bytes data = Pattern(70000);
  origin = p::MakeOriginMark(u"http://me:pw@files.test/setup.exe", u"", p::UrlZone::kInternet);
  for (const bool streams : {true, false}) {
    SCOPED_TRACE(streams ? "streams" : "no streams");
    p::testing::FaultyFileSystem marks(p::RealFileSystem());
    marks.KeepMarksInMemory();
    if (streams) marks.KeepMarksInStreams();
    files = &marks;
    ASSERT_EQ(WriteThrough({}, data, 16384), WriteResult::kWritten);
    ASSERT_TRUE(output->Close());
    EXPECT_EQ(broker->Closed(u"C:\\f.bin"), data);
    const std::string text = p::ZoneIdentifierText(*origin);
    if (streams) {
      EXPECT_EQ(broker->OpenPaths(), (std::vector<std::u16string>{u"C:\\f.bin", u"C:\\f.bin:Zone.Identifier"}));
      EXPECT_EQ(broker->Closed(u"C:\\f.bin:Zone.Identifier"), Bytes(text.begin(), text.end()));
      EXPECT_FALSE(marks.ReadOriginMark(u"C:\\f.bin"));
    } else {
      EXPECT_EQ(broker->OpenPaths(), (std::vector<std::u16string>{u"C:\\f.bin"}));
      EXPECT_EQ(marks.ReadOriginMark(u"C:\\f.bin"), origin);
    }
    EXPECT_EQ(text.find("me:pw"), std::string::npos);
    TearDown();
  }
  files = &p::RealFileSystem();
}

}  // namespace
}  // namespace vard
