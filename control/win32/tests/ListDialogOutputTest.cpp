// The Windows list dialog writes through the output made for it, as the
// console's does: each dialog gets its own, and each run begins and ends on
// it (the protected-mode output takes its broker there).
#include <gtest/gtest.h>

#include "common/platform/tests/TestFolder.h"
#include "control/ControlComposition.h"
#include "control/engine/tests/RecordingOutput.h"
#include "control/win32/WindowsDownloadDialogs.h"

namespace vard::com {
namespace {

TEST(ListDialogOutput, EachWindowsListDialogRunsOnTheOutputMadeForIt) {
  ASSERT_TRUE(ComposeControlServices().language->LoadPack(u"en"));
  platform::testing::TestFolder folder;
  auto counts = std::make_shared<vard::testing::OutputCounts>();
  WindowsDownloadDialogs dialogs(std::make_shared<ControlWindowHandle>(), vard::testing::RecordingOutputs(counts));
  DownloadDialogState state;
  state.useFullPath = true;  // full paths: the run starts by itself
  DownloadItem item;
  item.url = u"http://127.0.0.1:1/a.bin";  // nothing listens: the item fails
  item.fileName = folder / u"a.bin";
  item.displayName = u"a.bin";
  item.fileSize = 10;
  for (int run = 1; run <= 2; ++run) {
    EXPECT_EQ(dialogs.RunListDownload(state, {item}, DialogOwner::kControlWindow), endcode::kFailed);
    EXPECT_EQ(counts->made, run);
    EXPECT_EQ(counts->begun, run);
    EXPECT_EQ(counts->ended, run);
  }
  EXPECT_EQ(counts->opened, 0);  // no answer, no file
}

}  // namespace
}  // namespace vard::com
