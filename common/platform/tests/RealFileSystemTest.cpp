// The real file system through the interface the engines use.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/platform/IFileSystem.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::platform {
namespace {

using testing::TestFolder;
constexpr uint32_t kRW = access::kRead | access::kWrite;

TEST(RealFileSystem, FileCallsReachTheDiskAndAClosedFileRefusesThem) {
  IFileSystem& fs = RealFileSystem();
  TestFolder dir;
  const std::u16string p = dir / u"f.bin";
  auto f = fs.Open(p, kRW, 0, Disposition::kCreateNew, attribute::kNormal);
  ASSERT_TRUE(f);
  EXPECT_EQ(LastError(), error::kSuccess);
  uint32_t n = 0;
  ASSERT_TRUE(f->Write("hello world", 11, &n));
  EXPECT_EQ(n, 11u);
  int64_t pos = -1;
  EXPECT_TRUE(f->Seek(5, SeekFrom::kBegin, &pos));
  EXPECT_EQ(pos, 5);
  EXPECT_TRUE(f->SetEndOfFile());
  EXPECT_TRUE(f->Flush());
  EXPECT_EQ(f->Size(), 5);
  EXPECT_TRUE(f->Seek(0, SeekFrom::kBegin, nullptr));
  char buf[16] = {};
  EXPECT_TRUE(f->Read(buf, sizeof buf, &n));
  EXPECT_EQ(std::string(buf, n), "hello");
  // Held without sharing: nobody else gets in.
  EXPECT_FALSE(fs.Open(p, access::kRead, share::kRead | share::kWrite, Disposition::kOpenExisting, attribute::kNormal));
  EXPECT_EQ(LastError(), error::kSharingViolation);

  EXPECT_TRUE(f->Close());
  EXPECT_FALSE(f->Close());
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_FALSE(f->Read(buf, 1, &n));
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_FALSE(f->Write("x", 1, &n));
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_FALSE(f->Seek(0, SeekFrom::kEnd, nullptr));
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_EQ(f->Size(), -1);
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_FALSE(f->SetEndOfFile());
  EXPECT_EQ(LastError(), error::kInvalidHandle);
  EXPECT_FALSE(f->Flush());
  EXPECT_EQ(LastError(), error::kInvalidHandle);

  auto again = fs.Open(p, access::kWrite, 0, Disposition::kOpenAlways, attribute::kNormal);
  ASSERT_TRUE(again);
  EXPECT_EQ(LastError(), error::kAlreadyExists);
  EXPECT_EQ(again->Size(), 5);
  again.reset();
  EXPECT_FALSE(fs.Open(p, access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal));
  EXPECT_EQ(LastError(), error::kFileExists);
}

TEST(RealFileSystem, FindTellsFilesFromFoldersAndSaysWhatIsMissing) {
  IFileSystem& fs = RealFileSystem();
  TestFolder dir;
  ASSERT_TRUE(fs.MakeDirectory(dir / u"폴더"));
  {
    auto f = fs.Open(dir / u"폴더\\파일.txt", access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);
    ASSERT_TRUE(f && f->Write("12345", 5, nullptr));
  }
  const auto file = fs.Find(dir / u"폴더\\파일.txt");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->name, u"파일.txt");
  EXPECT_EQ(file->size, 5);
  EXPECT_FALSE(file->attributes & attribute::kDirectory);
  const auto folder = fs.Find(dir / u"폴더");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->name, u"폴더");
  EXPECT_EQ(folder->size, 0);
  EXPECT_TRUE(folder->attributes & attribute::kDirectory);

  EXPECT_FALSE(fs.Find(dir / u"폴더\\없음.txt"));
  EXPECT_EQ(LastError(), error::kFileNotFound);
  EXPECT_FALSE(fs.Find(dir / u"없음\\파일.txt"));
  EXPECT_EQ(LastError(), error::kPathNotFound);
  // A pattern is not a name, even where one entry would match it.
  EXPECT_FALSE(fs.Find(dir / u"폴더\\*.txt"));
  EXPECT_EQ(LastError(), error::kInvalidName);
}

TEST(RealFileSystem, FolderCallsListRenameAndRemove) {
  IFileSystem& fs = RealFileSystem();
  TestFolder dir;
  ASSERT_TRUE(fs.MakeDirectory(dir / u"sub"));
  EXPECT_FALSE(fs.MakeDirectory(dir / u"sub"));
  EXPECT_EQ(LastError(), error::kAlreadyExists);
  EXPECT_FALSE(fs.MakeDirectory(dir / u"no\\sub"));
  EXPECT_EQ(LastError(), error::kPathNotFound);
  fs.Open(dir / u"a.txt", access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);

  std::vector<std::u16string> names{u"stale"};
  ASSERT_TRUE(fs.List(dir.Path(), &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a.txt", u"sub"}));
  names = {u"stale"};
  EXPECT_TRUE(fs.List(dir / u"sub", &names));  // empty is not a failure
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(fs.List(dir / u"missing", &names));
  EXPECT_EQ(LastError(), error::kPathNotFound);
  EXPECT_FALSE(fs.List(dir / u"a.txt", &names));  // the number differs between Windows builds
  EXPECT_NE(LastError(), error::kSuccess);

  EXPECT_TRUE(fs.SetAttributes(dir / u"a.txt", attribute::kReadOnly));
  EXPECT_TRUE(fs.Attributes(dir / u"a.txt") & attribute::kReadOnly);
  EXPECT_TRUE(fs.SetAttributes(dir / u"a.txt", attribute::kNormal));
  EXPECT_FALSE(fs.Attributes(dir / u"a.txt") & attribute::kReadOnly);
  EXPECT_EQ(fs.Attributes(dir / u"missing"), attribute::kInvalid);
  EXPECT_EQ(LastError(), error::kFileNotFound);

  EXPECT_TRUE(fs.Rename(dir / u"a.txt", dir / u"sub\\b.txt"));
  EXPECT_FALSE(fs.Find(dir / u"a.txt"));
  fs.Open(dir / u"c.txt", access::kWrite, 0, Disposition::kCreateNew, attribute::kNormal);
  EXPECT_FALSE(fs.Rename(dir / u"c.txt", dir / u"sub\\b.txt"));  // never replaces
  EXPECT_EQ(LastError(), error::kAlreadyExists);
  EXPECT_FALSE(fs.Rename(dir / u"gone.txt", dir / u"d.txt"));
  EXPECT_EQ(LastError(), error::kFileNotFound);

  EXPECT_TRUE(fs.RemoveFile(dir / u"sub\\b.txt"));
  EXPECT_FALSE(fs.RemoveFile(dir / u"sub\\b.txt"));
  EXPECT_EQ(LastError(), error::kFileNotFound);
  EXPECT_FALSE(fs.RemoveFile(dir / u"sub"));  // a folder is not a file
  EXPECT_EQ(LastError(), error::kAccessDenied);
}

}  // namespace
}  // namespace vard::platform
