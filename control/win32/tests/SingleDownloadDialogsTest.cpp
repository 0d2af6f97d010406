// The single downloads' dialogs on Windows, driven by messages as a user's
// clicks would drive them: the open-or-save question with its save-file
// step, and the compact dialog of a download-and-open.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/platform/tests/TestFolder.h"
#include "control/ControlComposition.h"
#include "control/engine/tests/RecordingOutput.h"
#include "control/win32/WindowsDownloadDialogs.h"
#include "control/win32/tests/DialogDriver.h"

namespace vard::com {
namespace {

using testing::Click;
using testing::DialogDriver;
using testing::Step;

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  return text;
}

// The save-file dialog's name box (the explorer form's combo box, else the
// old form's edit box) takes `path`, then Save.
std::function<bool(HWND)> SaveAs(std::wstring path) {
  return [path](HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x47c);  // cmb13
    if (!box) box = GetDlgItem(dialog, 0x480);  // edt1
    if (!box) return false;
    SetWindowTextW(box, path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  };
}

class SingleDownloadDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ComposeControlServices().language->LoadPack(u"en")); }
  std::shared_ptr<vard::testing::OutputCounts> counts_ = std::make_shared<vard::testing::OutputCounts>();
  WindowsDownloadDialogs dialogs_{std::make_shared<ControlWindowHandle>(), vard::testing::RecordingOutputs(counts_)};
  platform::testing::TestFolder folder_;
};

TEST_F(SingleDownloadDialogsTest, TheOpenOrSaveQuestionShowsTheFileAndTakesEachAnswer) {
  using Choice = OpenOrSaveAnswer::Choice;
  std::wstring name, typeAndSize;
  {
    DialogDriver user({{L"File Download", [&](HWND d) {
                          name = ItemText(d, 213);
                          typeAndSize = ItemText(d, 217);
                          return Click(214)(d);
                        }}});
    const auto open = dialogs_.AskOpenOrSave(u"report.txt", 2048);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->choice, Choice::kOpen);
    EXPECT_EQ(user.Done(), 1u);
  }
  EXPECT_EQ(name, L"report.txt");
  EXPECT_NE(typeAndSize.find(L", 2.00KB"), std::wstring::npos) << typeAndSize;
  {
    DialogDriver user({{L"File Download", Click(IDCANCEL)}});
    EXPECT_FALSE(dialogs_.AskOpenOrSave(u"report.txt", 2048));
  }
  {
    // Save: the save-file step first; cancelling it keeps the question up.
    // A name typed without the extension gets it with the type's filter.
    const std::u16string saved = folder_ / u"kept";
    DialogDriver user({{L"File Download", Click(215)},
                       {L"Save", Click(IDCANCEL)},
                       {L"File Download", Click(216)},
                       {L"Save", SaveAs(reinterpret_cast<const wchar_t*>(saved.c_str()))}});
    const auto answer = dialogs_.AskOpenOrSave(u"report.txt", 2048);
    ASSERT_TRUE(answer);
    EXPECT_EQ(user.Done(), 4u);
    EXPECT_EQ(answer->choice, Choice::kSaveAndOpen);
    EXPECT_EQ(answer->savePath, saved + u".txt");
  }
}

// Without OpenFileOverwrite an existing target is asked about before the
// run and once more by the run itself, from inside the compact dialog.
TEST_F(SingleDownloadDialogsTest, ADownloadAndOpenRunsInTheCompactDialogShownOrUnseen) {
  const std::u16string existing = folder_ / u"have.txt";
  {
    platform::File f = platform::File::Open(existing, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
  }
  ControlSettings settings;
  settings.dialog.useFullPath = true;
  settings.openFileOverwrite = false;
  SIZE shown = {-1, -1};
  std::wstring file;
  const auto record = [&](HWND d) {
    RECT r = {};
    GetWindowRect(d, &r);
    shown = {r.right - r.left, r.bottom - r.top};
    file = ItemText(d, 207);
    return true;
  };
  const SingleFile target{u"http://127.0.0.1:1/have.txt", existing, 10};
  for (const bool visible : {true, false}) {
    settings.showFileOpen = visible;
    // The run's own question comes up over its dialog, which is shown by
    // then however soon the run asks.
    bool ownerShown = false;
    DialogDriver user({{L"Alert", Click(203)}, {L" File Download", record}, {L"Alert", [&](HWND d) {
                         ownerShown = IsWindowVisible(GetWindow(d, GW_OWNER));
                         return Click(IDCANCEL)(d);
                       }}});
    dialogs_.RunDownloadAndOpen(settings, target);
    EXPECT_EQ(user.Done(), 3u);
    EXPECT_TRUE(ownerShown);
    if (visible) {
      EXPECT_GT(shown.cx, 0);
      EXPECT_EQ(file, L"have.txt");
    } else {
      EXPECT_EQ(shown.cx, 0);  // the run goes on in a window of no size
      EXPECT_EQ(shown.cy, 0);
    }
  }
  EXPECT_EQ(counts_->begun, 2);
  EXPECT_EQ(platform::FileSizeOf(existing), 0);  // cancelled: kept as it was
}

TEST_F(SingleDownloadDialogsTest, CancellingTheExistingFileQuestionRunsNothing) {
  const std::u16string existing = folder_ / u"have.txt";
  {
    platform::File f = platform::File::Open(existing, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
  }
  ControlSettings settings;
  settings.dialog.useFullPath = true;
  settings.openFileOverwrite = false;
  // Before the run the question has no resume: its button is gone and the
  // other three stand centred; no apply-to-all either.
  std::wstring size, written;
  bool resumeShown = true, allShown = true;
  int left = 0, right = 0;
  DialogDriver user({{L"Alert", [&](HWND d) {
    size = ItemText(d, 210);
    written = ItemText(d, 212);
    resumeShown = IsWindowVisible(GetDlgItem(d, 204));
    allShown = IsWindowVisible(GetDlgItem(d, 206));
    RECT client = {}, first = {}, last = {};
    GetClientRect(d, &client);
    GetWindowRect(GetDlgItem(d, 203), &first);
    GetWindowRect(GetDlgItem(d, IDCANCEL), &last);
    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&first), 2);
    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&last), 2);
    left = first.left;
    right = client.right - last.right;
    return Click(IDCANCEL)(d);
  }}});
  dialogs_.RunDownloadAndOpen(settings, SingleFile{u"http://127.0.0.1:1/have.txt", existing, 10});
  EXPECT_EQ(user.Done(), 1u);
  EXPECT_EQ(counts_->made, 0);
  EXPECT_EQ(size, L"0.00KB");  // the existing file's size, formatted as the list formats sizes
  EXPECT_NE(written.find(L", "), std::wstring::npos) << written;  // date, ", ", time
  EXPECT_FALSE(resumeShown);
  EXPECT_FALSE(allShown);
  EXPECT_LE(std::abs(left - right), 1);
}

}  // namespace
}  // namespace vard::com
