// The client's transfer rules against a scripted fake broker on a real pipe.
#include "common/brokerpipe/FileBrokerClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "common/brokerpipe/BrokerProtocol.h"
#include "common/platform/Pipe.h"
#include "common/platform/testing/FakeClock.h"
#include "common/text/Utf.h"

namespace vard::fsb {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::testing::FakeClock;

// Answers each request with the next scripted answer, records the requests,
// and hangs up when the script ends.
class FakeBroker {
 public:
  explicit FakeBroker(std::vector<Bytes> answers, std::u16string name = UniqueName())
      : name_(std::move(name)),
        listener_(name_, kMessageMax) {
    EXPECT_TRUE(listener_.Open());  // served before the constructor returns
    thread_ = std::thread([this, answers = std::move(answers)] {
      bool fatal = false;
      platform::PipeEnd pipe = listener_.Accept(&fatal);
      Bytes buffer(kMessageMax);
      for (const Bytes& answer : answers) {
        uint32_t n = 0;
        if (!pipe.ReadMessage(buffer.data(), kMessageMax, &n)) return;
        requests.emplace_back(buffer.begin(), buffer.begin() + n);
        if (!pipe.WriteMessage(answer.data(), static_cast<uint32_t>(answer.size()), &n)) return;
      }
    });
  }
  ~FakeBroker() { thread_.join(); }
  const std::u16string& Name() const { return name_; }
  static std::u16string UniqueName() {
    return AsciiToUtf16("\\\\.\\pipe\\vard-fake-broker-" + std::to_string(++counter_) + "-" +
                        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 99991));
  }
  std::vector<Bytes> requests;

 private:
  static inline int counter_ = 0;
  std::u16string name_;
  platform::PipeListener listener_;
  std::thread thread_;
};

Bytes Status(uint32_t s) {
  Bytes b(4);
  PutU32(b.data(), s);
  return b;
}

TEST(FileBrokerClient, AnswersOfTheWrongLengthGiveFive) {
  FakeClock clock;
  Bytes readAnswer{1, 0, 0, 0, 5, 0, 0, 0, 'a', 'b'};  // count says 5, two bytes came
  FakeBroker fake({{1, 0, 0, 0, 9}, {1, 0, 0, 0, 0, 0, 0, 0}, readAnswer, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                   Status(1)});
  FileBrokerClient client(clock, fake.Name());
  ASSERT_EQ(client.Connect(100, 20), status::kSuccess);
  EXPECT_EQ(client.Close(), status::kBadAnswer);
  int64_t pos = 0;
  EXPECT_EQ(client.Seek(0, 2, &pos), status::kBadAnswer);
  char buf[8];
  uint32_t got = 99;
  EXPECT_EQ(client.Read(buf, sizeof buf, &got), status::kBadAnswer);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(client.Seek(0, 2, &pos), status::kBadAnswer);
  EXPECT_EQ(client.Shutdown(), status::kSuccess);
  // The requests went out as the layout says.
  ASSERT_EQ(fake.requests.size(), 5u);
  EXPECT_EQ(fake.requests[0], EncodeRequest(VDFS_CLOSE, 0, {}));
  EXPECT_EQ(fake.requests[2], EncodeRequest(VDFS_READ, 6, Bytes{8, 0, 0, 0}));
}

TEST(FileBrokerClient, LostBrokerMeansNotConnectedUntilReconnected) {
  FakeClock clock;
  FileBrokerClient client(clock, u"\\\\.\\pipe\\vard-fake-broker-nobody");
  EXPECT_EQ(client.Close(), status::kNotConnected);
  EXPECT_EQ(client.Connect(2, 10), status::kFailed);
  {
    FakeBroker fake({Status(1)});
    FileBrokerClient c(clock, fake.Name());
    ASSERT_EQ(c.Connect(100, 20), status::kSuccess);
    uint8_t data[3] = {1, 2, 3};
    EXPECT_EQ(c.Write(data, 3, nullptr), status::kSuccess);
    // The fake hangs up after its one answer.
    const int s = c.Write(data, 3, nullptr);
    EXPECT_TRUE(s == status::kNotConnected || s == status::kFailed) << s;
    EXPECT_EQ(c.Write(data, 3, nullptr), status::kNotConnected);
    EXPECT_FALSE(c.IsConnected());
  }
}

TEST(FileBrokerClient, ConnectTriesThreeTimesHalfASecondApart) {
  FakeClock clock;
  FileBrokerClient client(clock, FakeBroker::UniqueName());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.Connect(3, 500), status::kFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));  // no real waiting
  EXPECT_EQ(clock.Elapsed(), 1000u);
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 500}));
  EXPECT_FALSE(client.IsConnected());
}

TEST(FileBrokerClient, ConnectFindsABrokerThatCameDuringTheAttempts) {
  FakeClock clock;
  const std::u16string name = FakeBroker::UniqueName();
  std::unique_ptr<FakeBroker> fake;
  clock.At(700, [&] { fake = std::make_unique<FakeBroker>(std::vector<Bytes>{Bytes{1, 0, 0, 0}}, name); });
  FileBrokerClient client(clock, name);
  ASSERT_EQ(client.Connect(3, 500), status::kSuccess);
  EXPECT_EQ(clock.Elapsed(), 1000u);  // the third attempt
  EXPECT_EQ(client.Connect(3, 500), status::kSuccess);  // connected: no new attempt
  EXPECT_EQ(clock.Elapsed(), 1000u);
  EXPECT_EQ(client.Close(), status::kSuccess);
}

TEST(FileBrokerClient, OversizedOrUnreadableWritesAreRefusedBeforeSending) {
  FakeClock clock;
  FakeBroker fake({Bytes{1, 0, 0, 0, 0x00, 0x80, 0, 0}});
  FileBrokerClient client(clock, fake.Name());
  ASSERT_EQ(client.Connect(1, 0), status::kSuccess);
  std::vector<uint8_t> big(kWriteMax + 1, 'x');
  uint32_t written = 7;
  EXPECT_EQ(client.Write(big.data(), kWriteMax + 1, &written), status::kTooLarge);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(client.Write(nullptr, 3, nullptr), status::kUnreadable);
  EXPECT_EQ(client.Write(big.data(), kWriteMax, &written), status::kSuccess);
  EXPECT_EQ(written, kWriteMax);
  ASSERT_EQ(fake.requests.size(), 1u);  // only the last one went out
  EXPECT_EQ(fake.requests[0].size(), kHeaderSize + kWriteMax);
}

TEST(FileBrokerClient, PipelinedWritesGoAsWritesAndTheirAnswersComeInOrder) {
  FakeClock clock;
  Bytes partial{2, 0, 0, 0, 7, 0, 0, 0};
  FakeBroker fake({{1, 0, 0, 0, 3, 0, 0, 0}, partial, {1, 0, 0, 0}, Status(1)});
  FileBrokerClient client(clock, fake.Name());
  ASSERT_EQ(client.Connect(1, 0), status::kSuccess);
  Bytes framed(kHeaderSize + 3, 0xEE);
  framed[kHeaderSize] = 'a', framed[kHeaderSize + 1] = 'b', framed[kHeaderSize + 2] = 'c';
  ASSERT_EQ(client.SendWrite(framed), status::kSuccess);
  ASSERT_EQ(client.SendWrite(framed), status::kSuccess);
  ASSERT_EQ(client.SendWrite(framed), status::kSuccess);
  EXPECT_EQ(client.AnswersDue(), 3u);
  // Nothing else may go while answers are due: its answer would be a write's.
  EXPECT_EQ(client.Close(), status::kFailed);
  uint32_t written = 99;
  EXPECT_EQ(client.ReceiveWriteAnswer(&written), status::kSuccess);
  EXPECT_EQ(written, 3u);
  EXPECT_EQ(client.ReceiveWriteAnswer(&written), status::kFailed);  // the second one, refused after 7
  EXPECT_EQ(written, 7u);
  EXPECT_EQ(client.ReceiveWriteAnswer(&written), status::kBadAnswer);  // no count
  EXPECT_EQ(client.AnswersDue(), 0u);
  EXPECT_EQ(client.ReceiveWriteAnswer(&written), status::kFailed);  // none due
  EXPECT_EQ(client.Close(), status::kSuccess);
  // The same bytes as an answered write of the count.
  ASSERT_EQ(fake.requests.size(), 4u);
  EXPECT_EQ(fake.requests[0], EncodeRequest(VDFS_WRITE, param::kWriteCount, Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(fake.requests[2], fake.requests[0]);
}

TEST(FileBrokerClient, PipelinedWritesRefuseWhatOneWriteCannotCarry) {
  FakeClock clock;
  FakeBroker fake({Status(1)});
  FileBrokerClient client(clock, fake.Name());
  Bytes framed(kHeaderSize + kWriteMax + 1);
  EXPECT_EQ(client.SendWrite(framed), status::kTooLarge);
  Bytes shortFrame(kHeaderSize - 1);
  EXPECT_EQ(client.SendWrite(shortFrame), status::kUnreadable);
  framed.resize(kHeaderSize + 1);
  EXPECT_EQ(client.SendWrite(framed), status::kNotConnected);
  ASSERT_EQ(client.Connect(1, 0), status::kSuccess);
  EXPECT_EQ(client.Close(), status::kSuccess);
}

TEST(FileBrokerClient, LostBrokerWithAnswersDueForgetsThem) {
  // A broker that hangs up with requests unread: on POSIX even answers it
  // had queued are gone then, so nothing after can be matched.
  FakeClock clock;
  std::optional<FakeBroker> fake(std::in_place, std::vector<Bytes>{});
  FileBrokerClient client(clock, fake->Name());
  ASSERT_EQ(client.Connect(1, 0), status::kSuccess);
  fake.reset();
  Bytes framed(kHeaderSize + 1, 'x');
  uint32_t written = 0;
  if (client.SendWrite(framed) == status::kSuccess) {
    EXPECT_EQ(client.AnswersDue(), 1u);
    EXPECT_EQ(client.ReceiveWriteAnswer(&written), status::kNotConnected);
  }
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(client.AnswersDue(), 0u);
  EXPECT_EQ(client.SendWrite(framed), status::kNotConnected);
}

}  // namespace
}  // namespace vard::fsb
