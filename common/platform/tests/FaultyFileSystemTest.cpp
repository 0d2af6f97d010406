#include "common/platform/testing/FaultyFileSystem.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <thread>

#include "common/platform/tests/TestFolder.h"

namespace vard::platform::testing {
namespace {

constexpr uint32_t kRW = access::kRead | access::kWrite;

std::string Content(const std::u16string& path) {
  auto f = RealFileSystem().Open(path, access::kRead, share::kRead | share::kWrite, Disposition::kOpenExisting,
                                 attribute::kNormal);
  if (!f) return "<none>";
  std::string s(64, '\0');
  uint32_t got = 0;
  f->Read(s.data(), static_cast<uint32_t>(s.size()), &got);
  s.resize(got);
  return s;
}

struct Failure {
  FileOp op;
  uint64_t nth;
  uint32_t error;
  bool operator==(const Failure&) const = default;
};

// Every call of the interface at least once, in the order a download would
// make them; stops at the first failure and tells which call it was.
class Scenario {
 public:
  Scenario(IFileSystem& fs, const std::u16string& dir) : fs_(fs), dir_(dir) {}

  std::optional<Failure> Run() {
    const std::u16string folder = dir_ + u"\\d", part = folder + u"\\f.part", done = folder + u"\\f.bin";
    uint32_t n = 0;
    char buf[16];
    int64_t pos = 0;
    std::vector<std::u16string> names;
    if (!Step(FileOp::kMakeDirectory, fs_.MakeDirectory(folder))) return failure_;
    auto f = fs_.Open(part, kRW, share::kRead, Disposition::kCreateAlways, attribute::kNormal);
    if (!Step(FileOp::kOpen, f != nullptr)) return failure_;
    for (int i = 0; i < 3; ++i)
      if (!Step(FileOp::kWrite, f->Write("abc", 3, &n) && n == 3)) return failure_;
    if (!Step(FileOp::kFlush, f->Flush()) || !Step(FileOp::kSeek, f->Seek(0, SeekFrom::kEnd, &pos)) ||
        !Step(FileOp::kSize, f->Size() == 9) || !Step(FileOp::kSeek, f->Seek(6, SeekFrom::kBegin, nullptr)) ||
        !Step(FileOp::kSetEndOfFile, f->SetEndOfFile()) || !Step(FileOp::kSeek, f->Seek(0, SeekFrom::kBegin, nullptr)) ||
        !Step(FileOp::kRead, f->Read(buf, sizeof buf, &n) && n == 6) || !Step(FileOp::kClose, f->Close()) ||
        !Step(FileOp::kFind, fs_.Find(part).has_value()) ||
        !Step(FileOp::kAttributes, fs_.Attributes(part) != attribute::kInvalid) ||
        !Step(FileOp::kSetAttributes, fs_.SetAttributes(part, attribute::kNormal)) ||
        !Step(FileOp::kList, fs_.List(folder, &names) && names.size() == 1) ||
        !Step(FileOp::kRename, fs_.Rename(part, done)))
      return failure_;
    auto g = fs_.Open(done, access::kRead, share::kRead, Disposition::kOpenExisting, attribute::kNormal);
    if (!Step(FileOp::kOpen, g != nullptr) || !Step(FileOp::kRead, g->Read(buf, sizeof buf, &n) && n == 6) ||
        !Step(FileOp::kClose, g->Close()) || !Step(FileOp::kRemoveFile, fs_.RemoveFile(done)))
      return failure_;
    return std::nullopt;
  }

  uint64_t Count(FileOp op) const { return counts_[static_cast<size_t>(op)]; }

 private:
  bool Step(FileOp op, bool ok) {
    const uint64_t nth = ++counts_[static_cast<size_t>(op)];
    if (!ok) failure_ = Failure{op, nth, LastError()};
    return ok;
  }

  IFileSystem& fs_;
  std::u16string dir_;
  std::array<uint64_t, kFileOpCount> counts_{};
  std::optional<Failure> failure_;
};

TEST(FaultyFileSystem, EachNthCallOfEachOperationFailsExactlyThere) {
  TestFolder clean;
  FaultyFileSystem counting(RealFileSystem());
  Scenario once(counting, clean.Path());
  ASSERT_EQ(once.Run(), std::nullopt);
  for (int i = 0; i < kFileOpCount; ++i) {
    const auto op = static_cast<FileOp>(i);
    // The fake counts what the scenario did, call for call.
    ASSERT_EQ(counting.Calls(op), once.Count(op)) << "operation " << i;
    ASSERT_GT(once.Count(op), 0u) << "operation " << i << " is never called";
    for (uint64_t n = 1; n <= once.Count(op) + 1; ++n) {
      TestFolder dir;
      FaultyFileSystem fs(RealFileSystem());
      const uint32_t code = 0x2000 + static_cast<uint32_t>(i * 16 + n);  // tells the cases apart
      fs.FailNth(op, n, code);
      const std::optional<Failure> got = Scenario(fs, dir.Path()).Run();
      if (n > once.Count(op)) {
        EXPECT_EQ(got, std::nullopt) << "operation " << i << " has no call " << n;
      } else {
        EXPECT_EQ(got, (Failure{op, n, code})) << "operation " << i << ", call " << n;
      }
    }
  }
}

TEST(FaultyFileSystem, AFailedCallLeavesTheDiskAsItWas) {
  TestFolder dir;
  FaultyFileSystem fs(RealFileSystem());
  const std::u16string p = dir / u"keep.bin";
  fs.FailNth(FileOp::kWrite, 2, error::kAccessDenied);
  fs.FailNth(FileOp::kOpen, 2, error::kAccessDenied);
  fs.FailNth(FileOp::kMakeDirectory, 1, error::kAccessDenied);
  fs.FailNth(FileOp::kRemoveFile, 1, error::kAccessDenied);
  fs.FailNth(FileOp::kRename, 1, error::kAccessDenied);
  fs.FailNth(FileOp::kSetEndOfFile, 1, error::kAccessDenied);
  {
    auto f = fs.Open(p, access::kWrite, share::kRead, Disposition::kCreateNew, attribute::kNormal);
    ASSERT_TRUE(f);
    uint32_t n = 99;
    EXPECT_TRUE(f->Write("keep", 4, &n));
    EXPECT_FALSE(f->Write("lost", 4, &n));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(f->SetEndOfFile());
    EXPECT_EQ(f->Size(), 4);
  }
  EXPECT_FALSE(fs.Open(p, access::kWrite, 0, Disposition::kCreateAlways, attribute::kNormal));  // no truncation
  EXPECT_FALSE(fs.MakeDirectory(dir / u"d"));
  EXPECT_FALSE(fs.RemoveFile(p));
  EXPECT_FALSE(fs.Rename(p, dir / u"other.bin"));
  EXPECT_EQ(Content(p), "keep");
  EXPECT_FALSE(RealFileSystem().Find(dir / u"d"));
  EXPECT_FALSE(RealFileSystem().Find(dir / u"other.bin"));
}

TEST(FaultyFileSystem, ShortWriteReportsSuccessWithFewerBytes) {
  TestFolder dir;
  FaultyFileSystem fs(RealFileSystem());
  fs.ShortWrite(2, 1);
  fs.ShortWrite(3, 10);  // more than asked: a whole write
  auto f = fs.Open(dir / u"s.bin", access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);
  ASSERT_TRUE(f);
  uint32_t n = 0;
  EXPECT_TRUE(f->Write("abc", 3, &n));
  EXPECT_EQ(n, 3u);
  EXPECT_TRUE(f->Write("def", 3, &n));
  EXPECT_EQ(n, 1u);
  EXPECT_TRUE(f->Write("ghi", 3, &n));
  EXPECT_EQ(n, 3u);
  f.reset();
  EXPECT_EQ(Content(dir / u"s.bin"), "abcdghi");
}

TEST(FaultyFileSystem, DiskFullAfterEachPossibleByteCount) {
  // Three writes of four bytes; every limit from none to more than enough.
  for (uint32_t limit = 0; limit <= 13; ++limit) {
    TestFolder dir;
    FaultyFileSystem fs(RealFileSystem());
    fs.DiskFullAfter(limit);
    auto f = fs.Open(dir / u"full.bin", access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);
    ASSERT_TRUE(f);
    uint32_t total = 0;
    for (int i = 0; i < 3; ++i) {
      const uint32_t before = total;
      uint32_t n = 99;
      const bool ok = f->Write("wxyz", 4, &n);
      total += n;
      const uint32_t fits = limit > before ? std::min<uint32_t>(4, limit - before) : 0;
      EXPECT_EQ(n, fits) << "limit " << limit << ", write " << i;
      EXPECT_EQ(ok, fits == 4) << "limit " << limit << ", write " << i;
      if (!ok) {
        EXPECT_EQ(LastError(), error::kDiskFull);
      }
    }
    EXPECT_EQ(f->Size(), std::min<int64_t>(limit, 12)) << "limit " << limit;
  }
}

TEST(FaultyFileSystem, DiskSpaceIsSharedByFilesAndThreads) {
  TestFolder dir;
  FaultyFileSystem fs(RealFileSystem());
  fs.DiskFullAfter(1500);
  auto writeMany = [&](const std::u16string& path) {
    auto f = fs.Open(path, access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);
    for (int i = 0; f && i < 1000; ++i) f->Write("x", 1, nullptr);
  };
  std::thread a(writeMany, dir / u"a.bin"), b(writeMany, dir / u"b.bin");
  a.join();
  b.join();
  EXPECT_EQ(RealFileSystem().Find(dir / u"a.bin")->size + RealFileSystem().Find(dir / u"b.bin")->size, 1500);
}

TEST(FaultyFileSystem, RefusedOpensAnswerWithTheChosenErrorUntilAllowed) {
  TestFolder dir;
  FaultyFileSystem fs(RealFileSystem());
  const std::u16string held = dir / u"held.bin", free = dir / u"free.bin";
  fs.RefuseOpen(held, error::kSharingViolation);
  for (const auto d : {Disposition::kCreateNew, Disposition::kCreateAlways, Disposition::kOpenAlways}) {
    EXPECT_FALSE(fs.Open(held, access::kWrite, 0, d, attribute::kNormal));
    EXPECT_EQ(LastError(), error::kSharingViolation);
  }
  EXPECT_FALSE(RealFileSystem().Find(held));  // nothing was created
  EXPECT_TRUE(fs.Open(free, access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal));
  fs.AllowOpen(held);
  EXPECT_TRUE(fs.Open(held, access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal));

  fs.FailNth(FileOp::kOpen, fs.Calls(FileOp::kOpen) + 2, error::kTooManyOpenFiles);
  EXPECT_TRUE(fs.Open(free, access::kRead, 0, Disposition::kOpenExisting, attribute::kNormal));
  EXPECT_FALSE(fs.Open(free, access::kRead, 0, Disposition::kOpenExisting, attribute::kNormal));
  EXPECT_EQ(LastError(), error::kTooManyOpenFiles);
  EXPECT_TRUE(fs.Open(free, access::kRead, 0, Disposition::kOpenExisting, attribute::kNormal));
}

TEST(FaultyFileSystem, AFailedCloseStillLetsGoOfTheFile) {
  TestFolder dir;
  FaultyFileSystem fs(RealFileSystem());
  const std::u16string p = dir / u"c.bin";
  fs.FailNth(FileOp::kClose, 1, error::kDiskFull);
  auto f = fs.Open(p, access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);
  ASSERT_TRUE(f);
  EXPECT_FALSE(f->Close());
  EXPECT_EQ(LastError(), error::kDiskFull);
  EXPECT_FALSE(f->Write("x", 1, nullptr));
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_TRUE(RealFileSystem().Open(p, access::kWrite, 0, Disposition::kOpenExisting, attribute::kNormal));
}

}  // namespace
}  // namespace vard::platform::testing
