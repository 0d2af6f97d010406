#include "tools/bridge/Framing.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vard::bridge {
namespace {

// Bytes in, bytes out; reads come a few bytes at a time as pipes give them.
struct FakeChannel final : platform::IByteChannel {
  size_t ReadSome(char* data, size_t size) override {
    const size_t n = std::min({size, in.size() - at, chunk});
    std::memcpy(data, in.data() + at, n);
    at += n;
    return n;
  }
  bool WriteAll(const char* data, size_t size) override {
    if (closed) return false;
    out.append(data, size);
    return true;
  }
  std::string in, out;
  size_t at = 0, chunk = 3;
  bool closed = false;
};

std::string Frame(const std::string& body, uint32_t length) {
  std::string f(4, '\0');
  std::memcpy(f.data(), &length, 4);
  return f + body;
}
std::string Frame(const std::string& body) { return Frame(body, static_cast<uint32_t>(body.size())); }

TEST(FramingTest, ReadsFramesBackToBackThenTheEnd) {
  FakeChannel c;
  c.in = Frame(R"({"id":1})") + Frame("") + Frame(std::string(kMaxFrame, 'x'));
  FrameReader r(c);
  std::string body;
  EXPECT_EQ(r.Read(body), FrameRead::kFrame);
  EXPECT_EQ(body, R"({"id":1})");
  EXPECT_EQ(r.Read(body), FrameRead::kFrame);
  EXPECT_EQ(body, "");
  EXPECT_EQ(r.Read(body), FrameRead::kFrame);  // exactly the limit is allowed
  EXPECT_EQ(body.size(), kMaxFrame);
  EXPECT_EQ(r.Read(body), FrameRead::kEnd);
}

TEST(FramingTest, ATooLongFrameIsDroppedAndTheNextOneRead) {
  FakeChannel c;
  c.chunk = 1 << 20;
  c.in = Frame(std::string(kMaxFrame + 1, 'x')) + Frame("next");
  FrameReader r(c);
  std::string body;
  EXPECT_EQ(r.Read(body), FrameRead::kTooLong);
  EXPECT_EQ(r.RefusedLength(), kMaxFrame + 1);
  EXPECT_EQ(r.Read(body), FrameRead::kFrame);
  EXPECT_EQ(body, "next");
}

TEST(FramingTest, AStreamCutInsideAFrameEndsWithoutWaiting) {
  for (const std::string& in : {std::string("\x05\x00", 2), Frame("abc", 10), Frame("", 0xFFFFFFFFu)}) {
    FakeChannel c;
    c.in = in;
    FrameReader r(c);
    std::string body;
    EXPECT_EQ(r.Read(body), FrameRead::kTruncated);
    EXPECT_TRUE(body.empty());
  }
}

TEST(FramingTest, WritesTheLengthInNativeOrderAndRefusesOversizedMessages) {
  FakeChannel c;
  FrameWriter w(c);
  EXPECT_TRUE(w.Write("{}"));
  EXPECT_EQ(c.out, Frame("{}"));
  EXPECT_FALSE(w.Write(std::string(kMaxFrame + 1, 'x')));
  EXPECT_EQ(c.out, Frame("{}"));  // nothing of it written
  c.closed = true;
  EXPECT_FALSE(w.Write("{}"));
}

}  // namespace
}  // namespace vard::bridge
