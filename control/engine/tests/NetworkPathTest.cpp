// Paths on mapped network drives: written by the drive's remote name.
#include "control/engine/NetworkPath.h"

#include <gtest/gtest.h>

#include "common/http/tests/TestEndpoint.h"
#include "common/platform/MappedDrive.h"
#include "common/platform/tests/TestFolder.h"
#include "control/engine/DirectTarget.h"
#include "control/engine/DownloadEngine.h"

namespace vard {
namespace {

namespace p = platform;

std::optional<std::u16string> Share(const std::u16string& drive) {
  if (drive == u"Z:") return std::u16string(u"\\\\files\\share");
  if (drive == u"Y:") return std::u16string();  // a lookup that gave nothing usable
  return std::nullopt;
}

TEST(NetworkPath, OnlyAMappedDriveIsReplacedByItsRemoteName) {
  EXPECT_EQ(ThroughMappedDrive(u"Z:\\docs\\a.pdf", Share), u"\\\\files\\share\\docs\\a.pdf");
  EXPECT_EQ(ThroughMappedDrive(u"C:\\docs\\a.pdf", Share), u"C:\\docs\\a.pdf");
  EXPECT_EQ(ThroughMappedDrive(u"Y:\\a.pdf", Share), u"Y:\\a.pdf");
  // Nothing before the first "\" (a UNC name, a POSIX path), or no "\".
  EXPECT_EQ(ThroughMappedDrive(u"\\\\other\\x\\a.pdf", Share), u"\\\\other\\x\\a.pdf");
  EXPECT_EQ(ThroughMappedDrive(u"Z:a.pdf", Share), u"Z:a.pdf");
  EXPECT_EQ(ThroughMappedDrive(u"Z:\\a.pdf", DriveLookup()), u"Z:\\a.pdf");
}

// The system's own answer: local drives (Wine's drives are all local) and
// POSIX paths are not network drives.
TEST(NetworkPath, TheSystemMapsNoLocalDrive) {
  p::testing::TestFolder folder;
  const std::u16string path = folder.Path();
  EXPECT_FALSE(p::MappedDriveTarget(path.substr(0, path.find(u'\\'))));
  EXPECT_FALSE(p::MappedDriveTarget(u"C:"));
  EXPECT_FALSE(p::MappedDriveTarget(u"not a drive"));
}

class NoQuestions final : public IDownloadRunHost {
 public:
  void SetItemCounterText(const std::u16string&) override {}
  void SetCurrentFileText(const std::u16string&) override {}
  void ItemChanged(size_t) override {}
  void RefreshTexts() override {}
  DuplicateAnswer AskDuplicate(const DuplicateQuestion&) override { return {}; }
  void RunFinished() override {}
};

// The engine writes a file on a mapped drive by the drive's remote name,
// and keeps that name as the item's local path.
TEST(NetworkPath, TheEngineWritesThroughTheRemoteName) {
  p::testing::TestFolder share;
  DirectTarget disk;
  NoQuestions host;
  DownloadEngineServices s;
  s.clock = &p::SystemClock();
  s.target = &disk;
  s.host = &host;
  s.mappedDrive = [&](const std::u16string& drive) -> std::optional<std::u16string> {
    if (drive == u"Q:") return share.Path();
    return std::nullopt;
  };
  DownloadRunOptions options;
  options.useFullPath = true;
  DownloadItem item;
  item.url = http_tests::ServerUrl("/data/100");
  item.fileName = u"Q:\\a.bin";
  item.fileSize = 100;
  DownloadEngine engine(s, options, {item});
  engine.Run();
  EXPECT_EQ(engine.Item(0).status, item::kDone);
  EXPECT_EQ(engine.Item(0).localPath, share / u"a.bin");
  EXPECT_EQ(p::FileSizeOf(share / u"a.bin"), 100);
}

}  // namespace
}  // namespace vard
