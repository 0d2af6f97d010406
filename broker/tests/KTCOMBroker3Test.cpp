// The broker object over the real file system, and over one that fails.
#include "broker/KTCOMBroker3.h"

#include <gtest/gtest.h>

#include <cstring>

#include "broker/tests/BrokerTestFiles.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::broker {
namespace {

namespace p = platform;
using p::testing::FaultyFileSystem;
using p::testing::FileOp;
using p::testing::TestFolder;
using testing::PrivateSectionName;
using testing::ReadAll;

constexpr uint32_t kCreateAlways = 2, kOpenExisting = 3;

class Broker : public ::testing::Test {
 protected:
  ~Broker() override { p::RemoveSharedMemoryName(sectionName); }
  // Puts `bytes` at the start of the section, as the control does.
  void Fill(const std::string& bytes) { std::memcpy(section.Data(), bytes.data(), bytes.size()); }

  TestFolder dir;
  std::u16string sectionName = PrivateSectionName("object");
  p::SharedMemory section = p::SharedMemory::CreateOrOpen(sectionName, p::kBrokerSectionSize);
  FaultyFileSystem files{p::RealFileSystem()};
  CKTCOMBroker3 broker{files, sectionName};
};

TEST_F(Broker, WithoutAFileEveryMethodReportsNothingDone) {
  ASSERT_TRUE(broker.SectionMapped());
  EXPECT_EQ(broker.FolderTest(dir.Path()), p::kBrokerFalse);
  EXPECT_EQ(broker.FileWrite("abc", 3), 0u);
  EXPECT_EQ(broker.FileWrite2(3), 0u);
  EXPECT_EQ(broker.GetFileSize(), 0u);
  int64_t position = 77;
  broker.Seek(0, 2, &position);
  EXPECT_EQ(position, 77);
  broker.FileClose();  // harmless
  EXPECT_EQ(broker.FileOpen(dir / u"missing.bin", kOpenExisting), p::kBrokerFalse);
}

TEST_F(Broker, WritesFromTheSectionAndAppendsAfterTheSizeCall) {
  const std::u16string path = dir / u"a.bin";
  ASSERT_EQ(broker.FileOpen(path, kCreateAlways), p::kBrokerTrue);
  Fill("0123456789");
  EXPECT_EQ(broker.FileWrite2(10), 10u);
  broker.FileClose();
  EXPECT_EQ(ReadAll(path), "0123456789");

  // Reopened as for a resume: the size call moves to the end.
  ASSERT_EQ(broker.FileOpen(path, kOpenExisting), p::kBrokerTrue);
  EXPECT_EQ(broker.GetFileSize(), 10u);
  Fill("abc");
  EXPECT_EQ(broker.FileWrite2(3), 3u);
  EXPECT_EQ(broker.FileWrite("xy", 2), 2u);
  broker.FileClose();
  EXPECT_EQ(ReadAll(path), "0123456789abcxy");

  // Create-always empties it again.
  ASSERT_EQ(broker.FileOpen(path, kCreateAlways), p::kBrokerTrue);
  EXPECT_EQ(broker.GetFileSize(), 0u);
}

TEST_F(Broker, SeekReportsThePositionOrLeavesItAlone) {
  ASSERT_EQ(broker.FileOpen(dir / u"s.bin", kCreateAlways), p::kBrokerTrue);
  EXPECT_EQ(broker.FileWrite("0123456789", 10), 10u);
  int64_t position = -5;
  broker.Seek(4, 0, &position);
  EXPECT_EQ(position, 4);
  broker.Seek(2, 1, &position);
  EXPECT_EQ(position, 6);
  broker.Seek(-1, 2, &position);
  EXPECT_EQ(position, 9);
  broker.Seek(-100, 0, &position);  // before the start
  EXPECT_EQ(position, 9);
  broker.Seek(0, 7, &position);  // no such method
  EXPECT_EQ(position, 9);
  EXPECT_EQ(broker.FileWrite("Z", 1), 1u);
  broker.FileClose();
  EXPECT_EQ(ReadAll(dir / u"s.bin"), "012345678Z");
}

TEST_F(Broker, CreateDirectoryMakesEveryFolderAboveTheFile) {
  const std::u16string x = dir / u"x";
  broker.CreateDirectory(x + u"\\y\\z.bin");
  EXPECT_TRUE(p::IsDirectory(x));
  EXPECT_TRUE(p::IsDirectory(x + u"\\y"));
  EXPECT_FALSE(p::RealFileSystem().Find(x + u"\\y\\z.bin").has_value());
  // A path with a single separator makes nothing.
  const uint64_t before = files.Calls(FileOp::kMakeDirectory);
  broker.CreateDirectory(u"C:\\only");
  EXPECT_EQ(files.Calls(FileOp::kMakeDirectory), before);
}

TEST_F(Broker, OpeningAgainClosesTheFileItReplacesAndSoDoesTheEnd) {
  ASSERT_EQ(broker.FileOpen(dir / u"1.bin", kCreateAlways), p::kBrokerTrue);
  ASSERT_EQ(broker.FileOpen(dir / u"2.bin", kCreateAlways), p::kBrokerTrue);
  EXPECT_EQ(files.Calls(FileOp::kClose), 1u);
  // A failed open leaves no file open either.
  EXPECT_EQ(broker.FileOpen(dir / u"none.bin", kOpenExisting), p::kBrokerFalse);
  EXPECT_EQ(files.Calls(FileOp::kClose), 2u);
  EXPECT_EQ(broker.FileWrite("a", 1), 0u);
  {
    CKTCOMBroker3 other(files, sectionName);
    ASSERT_EQ(other.FileOpen(dir / u"3.bin", kCreateAlways), p::kBrokerTrue);
  }
  EXPECT_EQ(files.Calls(FileOp::kClose), 3u);
}

TEST_F(Broker, ShortAndFailedWritesShowInTheCount) {
  ASSERT_EQ(broker.FileOpen(dir / u"full.bin", kCreateAlways), p::kBrokerTrue);
  files.DiskFullAfter(6);
  Fill("0123456789");
  EXPECT_EQ(broker.FileWrite2(4), 4u);
  EXPECT_EQ(broker.FileWrite2(4), 2u);
  EXPECT_EQ(broker.FileWrite2(4), 0u);
  files.FailNth(FileOp::kOpen, files.Calls(FileOp::kOpen) + 1, p::error::kAccessDenied);
  EXPECT_EQ(broker.FileOpen(dir / u"denied.bin", kCreateAlways), p::kBrokerFalse);
}

TEST(BrokerSection, AnUnmappedSectionWritesNothing) {
  // An existing section too small for the broker's view cannot be mapped.
  const std::u16string name = PrivateSectionName("small");
  p::SharedMemory small = p::SharedMemory::CreateOrOpen(name, 4096);
  ASSERT_TRUE(small.IsOpen());
  TestFolder dir;
  CKTCOMBroker3 broker(p::RealFileSystem(), name);
  EXPECT_FALSE(broker.SectionMapped());
  ASSERT_EQ(broker.FileOpen(dir / u"n.bin", kCreateAlways), p::kBrokerTrue);
  EXPECT_EQ(broker.FileWrite2(10), 0u);
  EXPECT_EQ(broker.FileWrite2(0), 0u);
  EXPECT_EQ(broker.FileWrite("ok", 2), 2u);  // the other write does not need it
  broker.FileClose();
  EXPECT_EQ(ReadAll(dir / u"n.bin"), "ok");
  p::RemoveSharedMemoryName(name);
}

TEST(BrokerSection, NoWriteReachesPastTheSection) {
  TestFolder dir;
  const std::u16string name = PrivateSectionName("bound");
  CKTCOMBroker3 broker(p::RealFileSystem(), name);
  ASSERT_TRUE(broker.SectionMapped());
  ASSERT_EQ(broker.FileOpen(dir / u"b.bin", kCreateAlways), p::kBrokerTrue);
  EXPECT_EQ(broker.FileWrite2(p::kBrokerSectionSize + 1), 0u);
  EXPECT_EQ(broker.FileWrite2(p::kBrokerSectionSize), p::kBrokerSectionSize);
  p::RemoveSharedMemoryName(name);
}

}  // namespace
}  // namespace vard::broker
