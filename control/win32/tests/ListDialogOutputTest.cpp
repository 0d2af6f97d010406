// The Windows list dialog writes through the output made for it, as the
// console's does: each dialog gets its own, and each run begins and ends on
// it (the protected-mode output takes its broker there).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "common/http/tests/TestEndpoint.h"
#include "common/platform/FileSystem.h"
#include "common/platform/tests/TestFolder.h"
#include "control/ControlComposition.h"
#include "control/engine/tests/RecordingOutput.h"
#include "control/win32/BlueStatic.h"
#include "control/win32/WindowsDownloadDialogs.h"
#include "control/win32/tests/DialogDriver.h"

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

struct Layout {
  int listHeight = 0, poweredTop = 0, dialogHeight = 0;
  LRESULT folderHit = 0;
  int bluePixels = 0;
};

RECT ChildRect(HWND dialog, int id) {
  RECT r = {};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The list dialog as the user sees it before pressing Start, then closed.
Layout ShowListDialog(int16_t listHeight) {
  DownloadDialogState state;
  state.dialogListHeight = listHeight;
  state.downloadFolder = u"C:\\users\\public\\a folder whose name is long enough to be shortened\\downloads";
  Layout seen;
  testing::DialogDriver user({{L" File Download", [&](HWND d) {
    seen.listHeight = ChildRect(d, 204).bottom - ChildRect(d, 204).top;
    seen.poweredTop = ChildRect(d, 229).top;
    RECT w = {};
    GetWindowRect(d, &w);
    seen.dialogHeight = w.bottom - w.top;
    // The folder label paints itself blue and lets clicks through.
    HWND label = GetDlgItem(d, 212);
    seen.folderHit = SendMessageW(label, WM_NCHITTEST, 0, 0);
    RECT r = {};
    GetClientRect(label, &r);
    HDC screen = GetDC(label);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (int x = 0; x < r.right; ++x)
      for (int y = 0; y < r.bottom; ++y)
        if (GetPixel(dc, x, y) == kBlueText) ++seen.bluePixels;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(label, screen);
    return testing::Click(IDCANCEL)(d);
  }}});
  WindowsDownloadDialogs dialogs(std::make_shared<ControlWindowHandle>());
  DownloadItem item;
  item.url = u"http://127.0.0.1:1/a.bin";
  item.fileName = item.displayName = u"a.bin";
  EXPECT_EQ(dialogs.RunListDownload(state, {item}, DialogOwner::kControlWindow), endcode::kCancelled);
  EXPECT_EQ(user.Done(), 1u);
  return seen;
}

TEST(ListDialogWindow, TheListHeightMovesWhatIsBelowAndTheFolderLabelIsBlue) {
  ASSERT_TRUE(ComposeControlServices().language->LoadPack(u"en"));
  const Layout kept = ShowListDialog(-1);
  ASSERT_GT(kept.listHeight, 0);
  for (const int16_t height : {int16_t{60}, int16_t{300}}) {
    const Layout changed = ShowListDialog(height);
    const int delta = height - kept.listHeight;
    EXPECT_EQ(changed.listHeight, height);
    EXPECT_EQ(changed.poweredTop, kept.poweredTop + delta);
    EXPECT_EQ(changed.dialogHeight, kept.dialogHeight + delta);
  }
  EXPECT_EQ(kept.folderHit, HTTRANSPARENT);
  EXPECT_GT(kept.bluePixels, 10);
}

// The list as it stands in a shown dialog: its columns, icons and tips.
struct ListFace {
  int widths[3] = {};
  int statusFormat = 0;
  bool sharesShellIcons = false;
  int rowIcon = -1;
  std::wstring rowTip;
  int listTop = 0, folderTop = 0, poweredTop = 0, dialogHeight = 0;
};

ListFace ReadListFace(HWND d) {
  ListFace f;
  HWND list = GetDlgItem(d, 204);
  for (int i = 0; i < 3; ++i) f.widths[i] = ListView_GetColumnWidth(list, i);
  LVCOLUMNW column = {};
  column.mask = LVCF_FMT;
  ListView_GetColumn(list, 2, &column);
  f.statusFormat = column.fmt & LVCFMT_JUSTIFYMASK;
  f.sharesShellIcons = ListView_GetImageList(list, LVSIL_SMALL) != nullptr &&
                       (GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHAREIMAGELISTS) != 0;
  LVITEMW item = {};
  item.mask = LVIF_IMAGE;
  if (ListView_GetItem(list, &item)) f.rowIcon = item.iImage;
  wchar_t tip[64] = {};
  NMLVGETINFOTIPW ask = {};
  ask.hdr = {list, 204, static_cast<UINT>(LVN_GETINFOTIPW)};
  ask.pszText = tip;
  ask.cchTextMax = 64;
  SendMessageW(d, WM_NOTIFY, 204, reinterpret_cast<LPARAM>(&ask));
  f.rowTip = tip;
  f.listTop = ChildRect(d, 204).top;
  f.folderTop = ChildRect(d, 212).top;
  f.poweredTop = ChildRect(d, 229).top;
  RECT w = {};
  GetWindowRect(d, &w);
  f.dialogHeight = w.bottom - w.top;
  return f;
}

DownloadItem IconItem(const std::u16string& fileName) {
  DownloadItem item;
  const std::string port = std::to_string(http_tests::ServerPort());
  item.url = u"http://127.0.0.1:" + std::u16string(port.begin(), port.end()) + u"/data/10";
  item.fileName = fileName;
  item.displayName = u"a.bin";
  item.iconIndex = 3;
  item.fileSize = 10;
  return item;
}

TEST(ListDialogWindow, ColumnsIconsTipsAndTheFullPathLayout) {
  ASSERT_TRUE(ComposeControlServices().language->LoadPack(u"en"));
  ListFace kept;
  {
    testing::DialogDriver user({{L" File Download", [&](HWND d) {
      kept = ReadListFace(d);
      return testing::Click(IDCANCEL)(d);
    }}});
    WindowsDownloadDialogs dialogs(std::make_shared<ControlWindowHandle>());
    DownloadDialogState state;
    EXPECT_EQ(dialogs.RunListDownload(state, {IconItem(u"a.bin")}, DialogOwner::kControlWindow),
              endcode::kCancelled);
    EXPECT_EQ(user.Done(), 1u);
  }
  EXPECT_EQ(kept.widths[0], 220);
  EXPECT_EQ(kept.widths[1], 110);
  EXPECT_EQ(kept.widths[2], 70);
  EXPECT_EQ(kept.statusFormat, LVCFMT_CENTER);
  EXPECT_TRUE(kept.sharesShellIcons);
  EXPECT_EQ(kept.rowIcon, 3);
  EXPECT_EQ(kept.rowTip, L"a.bin ");
  ASSERT_GT(kept.listTop, kept.folderTop);

  // Full paths start by themselves; a file already there holds the run at
  // its question while the dialog is looked at.
  platform::testing::TestFolder folder;
  {
    platform::File f = platform::File::Open(folder / u"a.bin", platform::access::kWrite, 0,
                                            platform::Disposition::kCreateAlways);
    ASSERT_TRUE(f.IsOpen());
  }
  ListFace full;
  testing::DialogDriver user({{L"Alert", [&](HWND question) {
    full = ReadListFace(GetWindow(question, GW_OWNER));
    return testing::Click(IDCANCEL)(question);
  }}});
  WindowsDownloadDialogs dialogs(std::make_shared<ControlWindowHandle>());
  DownloadDialogState state;
  state.useFullPath = true;
  dialogs.RunListDownload(state, {IconItem(folder / u"a.bin")}, DialogOwner::kControlWindow);
  EXPECT_EQ(user.Done(), 1u);
  const int raised = kept.listTop - kept.folderTop;
  EXPECT_EQ(full.listTop, kept.folderTop);
  EXPECT_EQ(full.poweredTop, kept.poweredTop - raised);
  EXPECT_EQ(full.dialogHeight, kept.dialogHeight - raised);
}

}  // namespace
}  // namespace vard::com
