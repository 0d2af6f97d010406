#include "common/platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "common/platform/FolderChain.h"
#include "common/platform/tests/TestFolder.h"

namespace vard::platform {
namespace {

using testing::TestFolder;

std::string ReadAll(const std::u16string& path) {
  File f = File::Open(path, access::kRead, share::kRead | share::kWrite, Disposition::kOpenExisting);
  std::string s(static_cast<size_t>(std::max<int64_t>(f.Size(), 0)), '\0');
  uint32_t got = 0;
  if (!s.empty()) f.Read(s.data(), static_cast<uint32_t>(s.size()), &got);
  s.resize(got);
  return s;
}

// A write below a folder must not be led elsewhere by a link on its way.
TEST(FolderChain, LinksBelowAFolderAreFound) {
  testing::TestFolder folder, outside;
  ASSERT_TRUE(MakeDirectory(folder / u"real"));
  EXPECT_FALSE(LinkBelow(folder.Path(), folder / u"real\\a.txt"));
  EXPECT_FALSE(LinkBelow(folder.Path() + u"\\", folder / u"new\\deeper\\a.txt"));  // nothing there yet
  EXPECT_FALSE(LinkBelow(folder.Path(), folder / u"real\\"));
  for (std::u16string_view out : {u"", u"\\elsewhere\\a.txt"}) EXPECT_TRUE(LinkBelow(folder.Path(), std::u16string(out)));
  EXPECT_TRUE(LinkBelow(folder.Path(), folder.Path() + u"2\\a.txt"));
  EXPECT_TRUE(LinkBelow(u"", u"\\a.txt"));
  if (!MakeFolderLink(outside.Path(), folder / u"real\\out")) GTEST_SKIP() << "no symbolic links here";
  EXPECT_TRUE(IsLink(folder / u"real\\out"));
  EXPECT_FALSE(IsLink(folder / u"real"));
  EXPECT_TRUE(LinkBelow(folder.Path(), folder / u"real\\out\\a.txt"));
  EXPECT_TRUE(LinkBelow(folder.Path(), folder / u"real\\out\\new\\a.txt"));
  EXPECT_TRUE(LinkBelow(folder.Path(), folder / u"real\\out"));  // the file itself
  // The folder itself may be a link: the person's own arrangement.
  EXPECT_FALSE(LinkBelow(folder / u"real\\out", folder / u"real\\out\\a.txt"));
  RemoveFolder(folder / u"real\\out");
  RemoveFile(folder / u"real\\out");
}

TEST(File, DispositionsAndTheirErrors) {
  TestFolder dir;
  const std::u16string p = dir / u"a.bin";
  EXPECT_FALSE(File::Open(p, access::kRead, 0, Disposition::kOpenExisting).IsOpen());
  EXPECT_EQ(LastError(), error::kFileNotFound);
  EXPECT_FALSE(File::Open(dir / u"no\\a.bin", access::kWrite, 0, Disposition::kCreateAlways).IsOpen());
  EXPECT_EQ(LastError(), error::kPathNotFound);

  {
    File f = File::Open(p, access::kWrite, 0, Disposition::kCreateNew);
    ASSERT_TRUE(f.IsOpen());
    uint32_t n = 0;
    EXPECT_TRUE(f.Write("hello", 5, &n));
    EXPECT_EQ(n, 5u);
  }
  EXPECT_FALSE(File::Open(p, access::kWrite, 0, Disposition::kCreateNew).IsOpen());
  EXPECT_EQ(LastError(), error::kFileExists);

  { File f = File::Open(p, access::kWrite, 0, Disposition::kOpenAlways);
    EXPECT_EQ(LastError(), error::kAlreadyExists);  // opened, and it was there
    EXPECT_EQ(f.Size(), 5); }
  EXPECT_EQ(ReadAll(p), "hello");
  { File f = File::Open(p, access::kWrite, 0, Disposition::kTruncateExisting); }
  EXPECT_EQ(FileSizeOf(p), 0);
  { File f = File::Open(dir / u"new.bin", access::kWrite, 0, Disposition::kCreateAlways);
    EXPECT_EQ(LastError(), error::kSuccess); }
  EXPECT_TRUE(PathExists(dir / u"new.bin"));
}

TEST(File, WriteTimeIsTheSystemTimeOfTheLastWriteAndFailsForNoFile) {
  TestFolder dir;
  const std::u16string p = dir / u"t.bin";
  EXPECT_EQ(FileWriteTime(p), -1);
  EXPECT_EQ(LastError(), error::kFileNotFound);
  EXPECT_EQ(FileWriteTime(dir / u"no\\t.bin"), -1);
  { File f = File::Open(p, access::kWrite, 0, Disposition::kCreateNew); }
  // Seconds since 1970 in UTC, not a local time nor the 1601 epoch.
  const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(static_cast<double>(FileWriteTime(p)), static_cast<double>(now), 60.0);
  EXPECT_GE(FileWriteTime(dir.Path()), 0);  // a folder has one too
}

TEST(File, SeekWriteReadAndTruncate) {
  TestFolder dir;
  const std::u16string p = dir / u"s.bin";
  File f = File::Open(p, access::kRead | access::kWrite, 0, Disposition::kCreateAlways);
  ASSERT_TRUE(f.IsOpen());
  int64_t pos = -1;
  EXPECT_TRUE(f.Seek(10, SeekFrom::kBegin, &pos));
  EXPECT_EQ(pos, 10);
  EXPECT_TRUE(f.Write("xy", 2, nullptr));
  EXPECT_EQ(f.Size(), 12);  // the gap reads as zeros
  EXPECT_FALSE(f.Seek(-1, SeekFrom::kBegin));
  EXPECT_TRUE(f.Seek(0, SeekFrom::kEnd, &pos));
  EXPECT_EQ(pos, 12);
  char buf[4] = {1, 1, 1, 1};
  uint32_t got = 99;
  EXPECT_TRUE(f.Read(buf, 4, &got));  // at the end: success with nothing
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(f.Seek(4, SeekFrom::kBegin));
  EXPECT_TRUE(f.SetEndOfFile());
  EXPECT_EQ(f.Size(), 4);
  f.Close();
  EXPECT_EQ(ReadAll(p), std::string(4, '\0'));
}

TEST(File, SharingRulesOfOpenHandles) {
  TestFolder dir;
  const std::u16string p = dir / u"shared.bin";
  File writer = File::Open(p, access::kWrite, share::kRead, Disposition::kCreateAlways);
  ASSERT_TRUE(writer.IsOpen());
  // A second writer is refused: the first one shares reading only.
  EXPECT_FALSE(File::Open(p, access::kWrite, share::kRead | share::kWrite, Disposition::kOpenExisting).IsOpen());
  EXPECT_EQ(LastError(), error::kSharingViolation);
  // A reader must itself let the writer go on writing.
  EXPECT_FALSE(File::Open(p, access::kRead, share::kRead, Disposition::kOpenExisting).IsOpen());
  EXPECT_EQ(LastError(), error::kSharingViolation);
  EXPECT_TRUE(File::Open(p, access::kRead, share::kRead | share::kWrite, Disposition::kOpenExisting).IsOpen());
  writer.Close();
  EXPECT_TRUE(File::Open(p, access::kWrite, 0, Disposition::kOpenExisting).IsOpen());
}

TEST(File, HandleRulesWithoutAccess) {
  TestFolder dir;
  const std::u16string p = dir / u"ro.bin";
  File f = File::Open(p, access::kRead, share::kRead, Disposition::kCreateAlways);
  EXPECT_FALSE(f.Write("x", 1, nullptr));
  EXPECT_EQ(LastError(), error::kAccessDenied);
  File closed;
  EXPECT_FALSE(closed.Read(nullptr, 0, nullptr));
  EXPECT_EQ(closed.Size(), -1);
  // A directory is not a file.
  EXPECT_FALSE(File::Open(dir.Path(), access::kRead, share::kRead, Disposition::kOpenExisting).IsOpen());
}

TEST(Folders, CreateListRenameRemove) {
  TestFolder dir;
  EXPECT_TRUE(MakeDirectory(dir / u"한글 폴더"));
  EXPECT_FALSE(MakeDirectory(dir / u"한글 폴더"));
  EXPECT_EQ(LastError(), error::kAlreadyExists);
  EXPECT_FALSE(MakeDirectory(dir / u"x\\y"));
  EXPECT_EQ(LastError(), error::kPathNotFound);
  EXPECT_TRUE(IsDirectory(dir / u"한글 폴더"));
  EXPECT_TRUE(FileAttributes(dir / u"한글 폴더") & attribute::kDirectory);

  { File f = File::Open(dir / u"한글 폴더\\f.txt", access::kWrite, 0, Disposition::kCreateNew); }
  EXPECT_FALSE(IsDirectory(dir / u"한글 폴더\\f.txt"));
  EXPECT_EQ(ListDirectory(dir / u"한글 폴더"), std::vector<std::u16string>{u"f.txt"});
  EXPECT_TRUE(RenameFile(dir / u"한글 폴더\\f.txt", dir / u"g.txt"));
  EXPECT_FALSE(PathExists(dir / u"한글 폴더\\f.txt"));
  { File f = File::Open(dir / u"h.txt", access::kWrite, 0, Disposition::kCreateNew); }
  EXPECT_FALSE(RenameFile(dir / u"h.txt", dir / u"g.txt"));  // never replaces
  EXPECT_TRUE(RemoveFile(dir / u"g.txt"));
  EXPECT_FALSE(RemoveFile(dir / u"g.txt"));
  EXPECT_EQ(LastError(), error::kFileNotFound);
  EXPECT_TRUE(RemoveFolder(dir / u"한글 폴더"));
  EXPECT_EQ(FileAttributes(dir / u"missing"), attribute::kInvalid);
}

TEST(Folders, ParentPath) {
  EXPECT_EQ(ParentPath(u"C:\\a\\b.txt"), u"C:\\a");
  EXPECT_EQ(ParentPath(u"a/b/c"), u"a/b");
  EXPECT_EQ(ParentPath(u"name"), u"");
}

}  // namespace
}  // namespace vard::platform
