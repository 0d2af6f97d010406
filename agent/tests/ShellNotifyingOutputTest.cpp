#include "agent/jobs/ShellNotifyingOutput.h"

#include <gtest/gtest.h>

#include <vector>

#include "agent/jobs/DirectOutput.h"
#include "common/platform/FileSystem.h"
#include "common/platform/IFileSystem.h"
#include "common/platform/testing/FaultyFileSystem.h"
#include "common/platform/tests/TestFolder.h"

namespace vard {
namespace {

namespace p = platform;

// Only what was made is announced: the folder without its separator, the
// file each time it is opened; failures say nothing.
TEST(ShellNotifyingOutput, AnnouncesMadeFoldersAndOpenedFilesOnly) {
  p::testing::TestFolder folder;
  DirectOutput direct(p::RealFileSystem());
  std::vector<std::u16string> told;
  ShellNotifyingOutput out(direct, [&](const std::u16string& path) { told.push_back(path); });

  const std::u16string sub = folder / u"a\\b";
  ASSERT_TRUE(out.MakeFolders(sub + u"\\"));
  EXPECT_TRUE(p::IsDirectory(sub));
  ASSERT_TRUE(out.Open(sub + u"\\f.bin", false));
  const uint8_t bytes[] = {1, 2, 3};
  EXPECT_EQ(out.Write(bytes, 3), WriteResult::kWritten);
  EXPECT_TRUE(out.Close());
  ASSERT_TRUE(out.Open(sub + u"\\f.bin", true));  // a resume announces it again
  EXPECT_EQ(out.SeekToEnd(), 3);
  out.Close();
  EXPECT_EQ(told, (std::vector<std::u16string>{sub, sub + u"\\f.bin", sub + u"\\f.bin"}));

  told.clear();
  EXPECT_FALSE(out.Open(folder / u"missing\\g.bin", false));
  EXPECT_TRUE(told.empty());
}

// The mark reaches the file through the wrapper, and a file already open
// is marked again when an answer names where its bytes came from.
TEST(ShellNotifyingOutput, PassesTheOriginOnAndAnOpenFileIsMarkedAgain) {
  p::testing::TestFolder folder;
  p::testing::FaultyFileSystem files(p::RealFileSystem());
  files.KeepMarksInMemory();
  DirectOutput direct(files);
  ShellNotifyingOutput out(direct, [](const std::u16string&) {});
  const p::OriginMark asked = p::MakeOriginMark(u"http://h/redirect", u"", p::UrlZone::kInternet);
  const p::OriginMark answered = p::MakeOriginMark(u"http://cdn.h/f.bin", u"", p::UrlZone::kInternet);
  const std::u16string path = folder / u"f.bin";
  out.SetOrigin(asked);
  ASSERT_TRUE(out.Open(path, false));
  EXPECT_EQ(files.ReadOriginMark(path), asked);
  out.SetOrigin(answered);
  EXPECT_EQ(files.ReadOriginMark(path), answered);
  EXPECT_TRUE(out.Close());
  // With no file open, a mark waits for the next file.
  out.SetOrigin(asked);
  EXPECT_EQ(files.ReadOriginMark(path), answered);
}

}  // namespace
}  // namespace vard
