// The agent's real windows under Wine: driven by window messages as a
// person or another program would (controls found by ID, texts and list
// rows read back, buttons pressed), with the fake worker behind the view.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "agent/settings/AgentSettings.h"
#include "agent/views/AskSaveAsDlgs.h"
#include "agent/testing/FakeTransferJob.h"
#include "agent/testing/MemoryRegistry.h"
#include "agent/views/CloseConfirm.h"
#include "agent/views/ConfigDlg.h"
#include "agent/views/ControlIds.h"
#include "agent/views/MainFrame.h"
#include "agent/views/UploadRename.h"
#include "agent/win32/AgentResources.h"
#include "agent/win32/WindowsFactories.h"
#include "agent/win32/WindowsFrameWindow.h"
#include "agent/win32/WindowsTransferView.h"
#include "common/handoff/AgentNames.h"
#include "common/handoff/HandOffWriter.h"
#include "common/handoff/tests/MemoryRegions.h"
#include "common/platform/FileSystem.h"
#include "common/platform/tests/TestFolder.h"
#include "common/respack/LanguagePack.h"
#include "common/respack/LanguageStore.h"
#include "resources/PackImages.h"
#include "tools/win32/kt5container/Screenshot.h"

namespace vard::agentwin {
namespace {

namespace id = view_id;
using vard::testing::FakeJobScript;
using vard::testing::FakeTransferJob;

class AgentWindowsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (job) job->Resume();
    frame.reset();
    loop.reset();
    LanguageStore::Instance().Clear();
  }

  void Start(std::vector<std::pair<std::u16string, int64_t>> files, FakeJobScript script = {},
             const char16_t* language = u"en", AgentMode mode = AgentMode::kDownload) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    LoadAgentLanguageTable(language, PackImage);
    SetAgentMode(mode);
    DownloadHandOff batch;
    for (const auto& [name, size] : files)
      batch.records.push_back(MakeDownloadRecord(u"http://h/" + name, u"sub", name, size, 0));
    DownloadHandOffWriter(regions).Write(batch);
    MainViewSetup s;
    s.mode = mode;
    s.reader.regions = &regions;
    s.registry = &registry;
    s.iconIndex = [](const std::u16string&, uint32_t) { return 0; };
    s.documentsFolder = [] { return std::u16string(u"C:\\users\\Public\\Documents"); };
    s.shellOpen = [](const std::u16string&) { return true; };
    s.fileTime = LocalFileWriteTime;
    s.makeWorker = vard::testing::FakeJobFactory(std::move(script), &job);
    loop = std::make_unique<platform::EventLoop>();
    frame = std::make_unique<CMainFrame>(*loop, std::move(s), nullptr, ConsoleViewOptions{}, WindowsFrameWindows());
    ASSERT_TRUE(frame->Create());
    main = reinterpret_cast<HWND>(frame->MainHandle());
    view = dynamic_cast<WindowsTransferView*>(frame->TransferWindow());
    tray = dynamic_cast<WindowsFrameWindow*>(frame->FrameWindow());
    ASSERT_NE(view, nullptr);
    ASSERT_NE(tray, nullptr);
    Pump(kFrameMs + 100);
  }

  // Runs the UI thread's loop for `ms` of real time.
  void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
  }
  bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      loop->RunPending();
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
  }
  int64_t DoneBytes() {
    CInternetThreadBase::TransferGuard lock(job->TransferLock());
    return job->job_bytes_done;
  }
  void Click(HWND button) { ::SendMessageW(button, BM_CLICK, 0, 0); }
  void Click(int controlId) {
    HWND b = view->Control(controlId);
    ASSERT_NE(b, nullptr) << controlId;
    Click(b);
  }
  std::u16string Cell(int row, int column) {
    wchar_t text[260] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 260;
    ::SendMessageW(view->List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return FromWide(text);
  }
  UINT TrayMessage() { return ::RegisterWindowMessageW(Wide(kTrayMessage)); }
  HWND Dialog() {
    PumpUntil([&] { return view->DialogHandle() && ::IsWindowVisible(view->DialogHandle()); }, 5000);
    return view->DialogHandle();
  }
  bool Exists() { return frame->MainHandle() != 0 && ::IsWindow(main); }
  // The form's rectangle `r` (dialog units of its template) in pixels of
  // the main window's client area.
  RECT FormPixels(RECT r) {
    ::MapDialogRect(view->Form(), &r);
    return r;
  }
  RECT ClientRectOf(HWND child) {
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  int ClientHeight() {
    RECT r;
    ::GetClientRect(main, &r);
    return r.bottom;
  }
  std::vector<std::pair<std::u16string, int64_t>> Files(int n) {
    std::vector<std::pair<std::u16string, int64_t>> files;
    for (int i = 0; i < n; ++i) files.emplace_back(u"f" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) +
                                                       std::u16string(static_cast<size_t>(i / 26 + 1), u'x') + u".txt",
                                                   100);
    return files;
  }
  // Chooses item `fromBottom` places above the end of the tray menu with
  // the keyboard once it is up.
  std::thread ChooseTrayItemLater(int fromBottom, std::function<void()> whileOpen = nullptr) {
    return std::thread([fromBottom, whileOpen] {
      HWND menu = nullptr;
      for (int i = 0; i < 500 && !menu; ++i) {
        menu = ::FindWindowW(L"#32768", nullptr);
        if (!menu || !::IsWindowVisible(menu)) menu = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (!menu) return;
      if (whileOpen) whileOpen();
      for (int i = 0; i < fromBottom; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
      ::PostMessageW(menu, WM_KEYDOWN, fromBottom ? VK_RETURN : VK_ESCAPE, 0);
    });
  }

  // Stops at a visible save-file dialog of this process (its type list is
  // control 0x470), stored at `out`.
  static BOOL CALLBACK FindSaveDialog(HWND w, LPARAM out) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(w) || !::GetDlgItem(w, 0x470)) return TRUE;
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }

  // A save-file dialog of this process once it is up, handed to
  // `whileOpen`, then cancelled.
  std::thread CancelSaveDialogLater(std::function<void(HWND)> whileOpen) {
    return std::thread([whileOpen] {
      HWND found = nullptr;
      for (int i = 0; i < 500 && !found; ++i) {
        ::EnumWindows(FindSaveDialog, reinterpret_cast<LPARAM>(&found));
        if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (!found) return;
      if (whileOpen) whileOpen(found);
      ::PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
    });
  }

  vard::testing::MemoryRegions regions;
  vard::testing::MemoryRegistry registry;
  std::unique_ptr<platform::EventLoop> loop;
  std::unique_ptr<CMainFrame> frame;
  FakeTransferJob* job = nullptr;
  WindowsTransferView* view = nullptr;
  WindowsFrameWindow* tray = nullptr;
  HWND main = nullptr;
};

TEST_F(AgentWindowsTest, TheDownloadWindowShowsTheFormAndTheListInKorean) {
  Start({{u"보고서.txt", 2048}, {u"사진 모음.zip", 5 << 20}, {u"a.bin", 0}}, {}, u"ko");
  EXPECT_TRUE(::IsWindowVisible(main));
  wchar_t cls[64] = {};
  ::GetClassNameW(main, cls, 64);
  EXPECT_EQ(FromWide(cls), kDownloadMainClass);
  const LONG_PTR style = ::GetWindowLongPtrW(main, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  // The buttons sit on the main window, the rest on the form.
  EXPECT_EQ(::GetParent(view->Control(id::kStart)), main);
  EXPECT_EQ(WindowText(view->Control(id::kStart)), u"전송시작");
  EXPECT_FALSE(::IsWindowEnabled(view->Control(id::kPause)));
  EXPECT_EQ(::GetParent(view->Control(id::kTimeLeft)), view->Form());
  EXPECT_EQ(WindowText(view->Control(id::kSizeText)), u"0.00KB / 5.00MB");
  EXPECT_EQ(::SendMessageW(view->List(), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Cell(0, 0), u"보고서.txt");
  EXPECT_EQ(Cell(1, 2), u"5.00MB");
  EXPECT_EQ(Cell(2, 3), u"대기");
  // The client area is the form.
  RECT client, form;
  ::GetClientRect(main, &client);
  ::GetClientRect(view->Form(), &form);
  EXPECT_EQ(client.right, form.right);
  EXPECT_EQ(client.bottom, form.bottom);
}

TEST_F(AgentWindowsTest, ARunFillsTheRowsAndTheProgressInEnglish) {
  FakeJobScript script;
  script.blockBytes = 4096;
  Start({{u"a.txt", 10000}, {u"b.txt", 20000}}, script);
  EXPECT_EQ(WindowText(view->Control(id::kStart)), u"Start");
  Click(id::kStart);
  ASSERT_TRUE(PumpUntil([&] { return !job->IsRunning() && Cell(1, 3) == u"Done"; }));
  Pump(kFrameMs + 100);  // the last changes wait for the next frame
  EXPECT_EQ(Cell(0, 3), u"Done");
  EXPECT_EQ(::SendMessageW(view->Control(id::kProgress), PBM_GETPOS, 0, 0), 1000);
  EXPECT_EQ(WindowText(view->Control(id::kCurrentFile)), u"b.txt");
  EXPECT_TRUE(::IsWindowEnabled(view->Control(id::kStart)));
  // Selecting in the list reaches the view; removing takes the row away.
  ListView_SetItemState(view->List(), 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_TRUE(frame->View().IsSelected(0));
  Click(id::kRemove);
  Pump(50);
  EXPECT_EQ(::SendMessageW(view->List(), LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(Cell(0, 0), u"b.txt");
}

TEST_F(AgentWindowsTest, CloseSettingOneHidesAndOnlyTheTrayExitEnds) {
  AgentSettings(registry).SetCloseType(AgentMode::kDownload, 1);
  Start({{u"a.txt", 10}});
  ::SendMessageW(main, WM_CLOSE, 0, 0);
  Pump(50);
  EXPECT_TRUE(Exists());
  EXPECT_FALSE(::IsWindowVisible(main));
  EXPECT_TRUE(frame->Presenter().Hidden());
  Click(id::kClose);  // the form's Close button: the same
  Pump(50);
  EXPECT_TRUE(Exists());

  // The tray menu's last item, "exit".
  std::thread chooser = ChooseTrayItemLater(1);
  ::SendMessageW(main, TrayMessage(), 0, WM_RBUTTONUP);
  chooser.join();
  EXPECT_TRUE(PumpUntil([&] { return !Exists(); }, 5000));
}

TEST_F(AgentWindowsTest, AskingDuringATransferHoldsItUntilCancel) {
  FakeJobScript script;
  script.blockBytes = 1000;
  script.blockMs = 2;
  Start({{u"big.bin", int64_t{1} << 40}}, script);
  Click(id::kStart);
  ASSERT_TRUE(PumpUntil([&] { return DoneBytes() > 0; }));

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = Dialog();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(question), u"Alert");
  EXPECT_EQ(WindowText(::GetDlgItem(question, CCloseConfirm::kToTray)), u"Minimize to Tray(&T)");
  EXPECT_FALSE(::IsWindowEnabled(main));
  ASSERT_TRUE(PumpUntil([&] { return job->WaitingAtPause(); }));
  const int64_t held = DoneBytes();
  Pump(300);
  EXPECT_EQ(DoneBytes(), held);

  Click(::GetDlgItem(question, IDCANCEL));
  EXPECT_TRUE(PumpUntil([&] { return DoneBytes() > held; }));
  EXPECT_TRUE(Exists());
  EXPECT_TRUE(::IsWindowEnabled(main));
  EXPECT_EQ(view->DialogHandle(), nullptr);
  Click(id::kPause);
  EXPECT_FALSE(job->IsRunning());
}

TEST_F(AgentWindowsTest, QuitInTheQuestionEndsTheRunAndTheWindow) {
  FakeJobScript script;
  script.blockBytes = 1000;
  script.blockMs = 2;
  Start({{u"big.bin", int64_t{1} << 40}}, script);
  Click(id::kStart);
  ASSERT_TRUE(PumpUntil([&] { return DoneBytes() > 0; }));
  ::PostMessageW(main, WM_CLOSE, 0, 0);
  HWND question = Dialog();
  ASSERT_NE(question, nullptr);
  Click(::GetDlgItem(question, CCloseConfirm::kDontAsk));
  Click(::GetDlgItem(question, CCloseConfirm::kQuit));
  EXPECT_TRUE(PumpUntil([&] { return !Exists(); }, 5000));
  EXPECT_FALSE(job->IsRunning());
  EXPECT_EQ(AgentSettings(registry).CloseType(AgentMode::kDownload), 2u);
}

TEST_F(AgentWindowsTest, TheTrayIconCyclesDuringATransferAndRests) {
  FakeJobScript script;
  script.pauseAtJobBytes = 0;  // the run stays on until the test lets it go
  Start({{u"a.txt", 10}}, script);
  EXPECT_EQ(tray->ShownTrayIcon(), 206u);
  Click(id::kStart);
  std::vector<uint32_t> seen;
  PumpUntil([&] {
    if (seen.empty() || seen.back() != tray->ShownTrayIcon()) seen.push_back(tray->ShownTrayIcon());
    return seen.size() >= 5;
  }, 5000);
  ASSERT_GE(seen.size(), 5u);
  // 206 at rest, then 206, 207, 208 in turn every 300 ms.
  for (size_t i = 1; i + 1 < seen.size(); ++i) {
    const uint32_t next = seen[i] == 208 ? 206 : seen[i] + 1;
    EXPECT_EQ(seen[i + 1], next) << i;
  }
  job->Resume();
  EXPECT_TRUE(PumpUntil([&] { return !job->IsRunning() && !frame->Presenter().Animating(); }));
  EXPECT_EQ(tray->ShownTrayIcon(), 206u);
}

TEST_F(AgentWindowsTest, ADoubleClickOnTheTrayIconRaisesOrRestoresWithoutResizing) {
  Start({{u"a.txt", 10}});
  RECT before, after;
  ::GetWindowRect(main, &before);
  ::SendMessageW(main, TrayMessage(), 0, WM_LBUTTONDBLCLK);
  Pump(50);
  ::GetWindowRect(main, &after);
  EXPECT_TRUE(::IsWindowVisible(main));
  EXPECT_TRUE(::EqualRect(&before, &after));

  frame->Presenter().HideToTray();
  EXPECT_FALSE(::IsWindowVisible(main));
  ::SendMessageW(main, TrayMessage(), 0, WM_LBUTTONDBLCLK);
  Pump(50);
  ::GetWindowRect(main, &after);
  EXPECT_TRUE(::IsWindowVisible(main));
  EXPECT_TRUE(::EqualRect(&before, &after));

  // Minimised to the taskbar: the double-click restores it.
  ::ShowWindow(main, SW_MINIMIZE);
  Pump(50);
  ASSERT_TRUE(::IsIconic(main));
  ::SendMessageW(main, TrayMessage(), 0, WM_LBUTTONDBLCLK);
  Pump(50);
  ::GetWindowRect(main, &after);
  EXPECT_FALSE(::IsIconic(main));
  EXPECT_TRUE(::EqualRect(&before, &after));
}

// The download form's template: 264 units high, the list from 92 to 234,
// the bottom buttons at 242.
TEST_F(AgentWindowsTest, AShortFirstBatchMakesTheWindowShorterByWhatTheListDoesNotNeed) {
  Start(Files(3));
  const RECT full = FormPixels({0, 0, 360, 264});
  const int spare = full.bottom - ClientHeight();
  ASSERT_GT(spare, 0);
  // The bottom buttons moved up by as much as the window lost; the ones
  // beside the list stay.
  EXPECT_EQ(ClientRectOf(view->Control(id::kStart)).top, FormPixels({208, 242, 254, 256}).top - spare);
  EXPECT_EQ(ClientRectOf(view->Control(id::kSelectAll)).top, FormPixels({8, 242, 64, 256}).top - spare);
  EXPECT_EQ(ClientRectOf(view->Control(id::kMoveUp)).top, FormPixels({332, 92, 352, 106}).top);
  // The list keeps room for its rows, a scroll bar and a little air.
  RECT row{}, client{}, header{};
  ListView_GetItemRect(view->List(), 0, &row, LVIR_BOUNDS);
  ::GetClientRect(view->List(), &client);
  ::GetWindowRect(ListView_GetHeader(view->List()), &header);
  EXPECT_EQ(client.bottom - (header.bottom - header.top),
            3 * (row.bottom - row.top) + ::GetSystemMetrics(SM_CXHSCROLL) + 10);
  // Centred on the work area.
  RECT work, r;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::GetWindowRect(main, &r);
  EXPECT_NEAR(r.left - work.left, work.right - r.right, 1);
  EXPECT_NEAR(r.top - work.top, work.bottom - r.bottom, 1);
  // A later batch shows the window as it is.
  frame->ShowForBatch();
  Pump(50);
  EXPECT_EQ(full.bottom - ClientHeight(), spare);
}

TEST_F(AgentWindowsTest, AFirstBatchThatFillsTheListKeepsTheFullWindow) {
  Start(Files(50));
  EXPECT_EQ(ClientHeight(), FormPixels({0, 0, 360, 264}).bottom);
  EXPECT_EQ(ClientRectOf(view->Control(id::kStart)).top, FormPixels({208, 242, 254, 256}).top);
  EXPECT_EQ(ClientRectOf(view->List()).bottom, FormPixels({8, 92, 328, 234}).bottom);
}

TEST_F(AgentWindowsTest, TheWindowComesBackFromTheTrayWhereTheUserLeftIt) {
  Start(Files(3));
  RECT before;
  ::GetWindowRect(main, &before);
  ::SetWindowPos(main, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // the user moves it
  Pump(50);
  RECT moved;
  ::GetWindowRect(main, &moved);
  ASSERT_EQ(moved.left, 37);
  const std::optional<RECT> remembered = tray->Remembered();
  ASSERT_TRUE(remembered.has_value());
  EXPECT_TRUE(::EqualRect(&*remembered, &moved));

  for (int round = 0; round < 2; ++round) {
    const auto start = std::chrono::steady_clock::now();
    frame->Presenter().HideToTray();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_TRUE(::IsIconic(main));  // minimised before it went
    if (round == 0) {
      frame->Presenter().RestoreFromTray();
    } else {
      frame->ShowForBatch();  // a later batch
    }
    Pump(50);
    RECT after;
    ::GetWindowRect(main, &after);
    EXPECT_TRUE(::IsWindowVisible(main)) << round;
    EXPECT_FALSE(::IsIconic(main)) << round;
    EXPECT_TRUE(::EqualRect(&after, &moved)) << round << ": " << after.left << "," << after.top << " "
                                             << after.right - after.left << "x" << after.bottom - after.top;
    EXPECT_FALSE(frame->Presenter().Hidden());
  }
  EXPECT_EQ(moved.bottom - moved.top, before.bottom - before.top);  // the short size stays
}

// Keyboard and mouse messages go to the view window first; it lets them
// through by answering 0.
int offeredKeys = 0;
LRESULT viewAnswer = 0;
LRESULT CALLBACK CountingViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg != WindowsFrameWindow::kForwardMessage) return ::DefSubclassProc(hwnd, msg, wp, lp);
  const MSG* m = reinterpret_cast<const MSG*>(lp);
  if (m && m->message == WM_KEYDOWN) ++offeredKeys;
  return viewAnswer;
}

TEST_F(AgentWindowsTest, KeysReachTheListThroughTheViewsFirstLook) {
  Start(Files(3));
  HWND viewWindow = reinterpret_cast<HWND>(frame->ViewHandle());
  offeredKeys = 0;
  ASSERT_TRUE(::SetWindowSubclass(viewWindow, &CountingViewProc, 1, 0));
  ListView_SetItemState(view->List(), 0, LVIS_SELECTED, LVIS_SELECTED);

  viewAnswer = 1;  // the view takes the key: the list never sees it
  ::PostMessageW(view->List(), WM_KEYDOWN, VK_DELETE, 0);
  Pump(100);
  EXPECT_EQ(offeredKeys, 1);
  EXPECT_EQ(frame->View().Entries().size(), 3u);

  viewAnswer = 0;
  ::PostMessageW(view->List(), WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_TRUE(PumpUntil([&] { return frame->View().Entries().size() == 2; }, 3000));
  EXPECT_EQ(offeredKeys, 2);
  EXPECT_EQ(::SendMessageW(view->List(), LVM_GETITEMCOUNT, 0, 0), 2);
  ::RemoveWindowSubclass(viewWindow, &CountingViewProc, 1);
}

TEST_F(AgentWindowsTest, TheSettingsDialogFromTheTrayMenuWritesWhatIsApplied) {
  Start({{u"a.txt", 10}});
  std::thread chooser = ChooseTrayItemLater(2);  // "settings"
  ::SendMessageW(main, TrayMessage(), 0, WM_RBUTTONUP);
  chooser.join();
  HWND settings = Dialog();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(WindowText(settings), u"환경설정");
  EXPECT_EQ(::SendDlgItemMessageW(settings, CConfigDlgBase::kRetrySeconds, CB_GETCOUNT, 0, 0), 99);
  EXPECT_EQ(::SendDlgItemMessageW(settings, CConfigDlgBase::kRetrySeconds, CB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(::IsDlgButtonChecked(settings, CConfigDlgBase::kAsk), BST_CHECKED);
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(settings, CConfigDlgBase::kApply)));

  Click(::GetDlgItem(settings, CConfigDlgBase::kExit));
  HWND combo = ::GetDlgItem(settings, CConfigDlgBase::kRetrySeconds);
  ::SendMessageW(combo, CB_SETCURSEL, 9, 0);
  ::SendMessageW(settings, WM_COMMAND, MAKEWPARAM(CConfigDlgBase::kRetrySeconds, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(settings, CConfigDlgBase::kApply)));
  Click(::GetDlgItem(settings, CConfigDlgBase::kApply));
  EXPECT_EQ(AgentSettings(registry).CloseType(AgentMode::kDownload), 2u);
  EXPECT_EQ(AgentSettings(registry).Retry(AgentMode::kDownload).seconds, 10u);
  Click(::GetDlgItem(settings, CConfigDlgBase::kCloseButton));
  Pump(50);
  EXPECT_EQ(view->DialogHandle(), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(main));
}

TEST_F(AgentWindowsTest, TheDuplicateQuestionShowsTheExistingFileAndItsAnswerReachesTheWorker) {
  platform::testing::TestFolder folder;
  const std::u16string existing = folder / u"a.txt";
  {
    platform::File f = platform::File::Open(existing, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
    ASSERT_TRUE(f.IsOpen());
    std::vector<char> bytes(1536, 'x');
    uint32_t n = 0;
    f.Write(bytes.data(), 1536, &n);
  }
  FakeJobScript script;
  script.existing = {u"a.txt"};
  script.existingFolder = folder.Path();
  Start({{u"a.txt", 100}, {u"b.txt", 100}}, script, u"ko");
  Click(id::kStart);
  HWND question = Dialog();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(WindowText(question), u"중복확인");
  EXPECT_NE(WindowText(::GetDlgItem(question, 208)).find(u"a.txt"), std::u16string::npos);
  // The file on disk: its size, its time, the shell's icon for it.
  EXPECT_EQ(WindowText(::GetDlgItem(question, CAskSaveAsBase::kExistingSize)), u"1.50KB");
  EXPECT_EQ(WindowText(::GetDlgItem(question, CAskSaveAsBase::kExistingTime)),
            ModifiedTimeText(platform::LocalCalendarTime(platform::FileWriteTime(existing))) + u" 수정됨");
  EXPECT_NE(::SendDlgItemMessageW(question, CAskSaveAsBase::kIcon, STM_GETICON, 0, 0), 0);
  Click(::GetDlgItem(question, 203));  // overwrite
  EXPECT_TRUE(PumpUntil([&] { return !job->IsRunning() && Cell(1, 3) == u"완료"; }));
  EXPECT_EQ(Cell(0, 3), u"완료");
}

TEST_F(AgentWindowsTest, SaveAsOffersTheFilesOwnTypeThenEveryFileAndCancelKeepsTheQuestion) {
  platform::testing::TestFolder folder;
  {
    platform::File f = platform::File::Open(folder / u"a.txt", platform::access::kWrite, 0,
                                            platform::Disposition::kCreateAlways);
    ASSERT_TRUE(f.IsOpen());
  }
  FakeJobScript script;
  script.existing = {u"a.txt"};
  script.existingFolder = folder.Path();
  Start({{u"a.txt", 100}}, script, u"ko");
  Click(id::kStart);
  HWND question = Dialog();
  ASSERT_NE(question, nullptr);
  std::vector<std::wstring> types;
  std::thread saver = CancelSaveDialogLater([&](HWND save) {
    HWND list = ::GetDlgItem(save, 0x470);
    const int n = static_cast<int>(::SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      wchar_t text[260] = {};
      ::SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      types.push_back(text);
    }
  });
  Click(::GetDlgItem(question, CAskSaveAsBase::kSaveAs));
  saver.join();
  ASSERT_EQ(types.size(), 2u);
  EXPECT_FALSE(types[0].empty());
  EXPECT_EQ(types[1], L"모든 파일");
  // Cancelled: the question is still there to answer.
  Pump(50);
  EXPECT_EQ(view->DialogHandle(), question);
  EXPECT_TRUE(::IsWindowVisible(question));
  Click(::GetDlgItem(question, IDCANCEL));
  EXPECT_TRUE(PumpUntil([&] { return !job->IsRunning(); }));
}

TEST_F(AgentWindowsTest, TheRetryCountdownCountsOnItsButtonAndStopEndsTheEntry) {
  FakeJobScript script;
  script.networkFailures[u"a.txt"] = 1;
  script.retrySeconds = 30;
  Start({{u"a.txt", 100}}, script, u"ko");
  Click(id::kStart);
  HWND countdown = Dialog();
  ASSERT_NE(countdown, nullptr);
  HWND retry = ::GetDlgItem(countdown, IDOK);
  EXPECT_EQ(WindowText(retry), u"재시도 (30)");
  EXPECT_TRUE(PumpUntil([&] { return WindowText(retry) == u"재시도 (29)"; }, 3000));
  Click(::GetDlgItem(countdown, IDCANCEL));  // stop the transfer
  EXPECT_TRUE(PumpUntil([&] { return !job->IsRunning(); }));
  EXPECT_EQ(Cell(0, 3), u"오류");
  EXPECT_EQ(view->DialogHandle(), nullptr);
}

TEST_F(AgentWindowsTest, TheRenameDialogRefusesCharactersAsTheyAreTypedAndAnswers) {
  Start({{u"a.txt", 100}});
  auto rename = std::make_shared<CUploadRename>(u"report.txt");
  int ended = 0;
  frame->View().ShowDialog(rename, [&](int code) { ended = code; });
  HWND dialog = Dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), u"이름 변경");  // the program's own template
  HWND edit = ::GetDlgItem(dialog, CUploadRename::kName);
  EXPECT_EQ(WindowText(edit), u"report.txt");
  ::SendMessageW(edit, EM_SETSEL, 6, 6);
  ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L":"));
  EXPECT_EQ(WindowText(edit), u"report.txt");
  ::SendMessageW(edit, EM_SETSEL, 6, 6);
  ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"-2"));
  EXPECT_EQ(WindowText(edit), u"report-2.txt");
  Click(::GetDlgItem(dialog, CUploadRename::kAutoRename));
  Click(::GetDlgItem(dialog, IDOK));
  EXPECT_EQ(ended, IDOK);
  EXPECT_EQ(rename->Answer().name, u"report-2.txt");
  EXPECT_EQ(rename->Answer().choice, 2);
}

// Not a check: pictures for people, when VARD_AGENT_SHOTS names a folder.
TEST_F(AgentWindowsTest, Screenshots) {
  const char* folder = std::getenv("VARD_AGENT_SHOTS");
  if (!folder) GTEST_SKIP() << "VARD_AGENT_SHOTS is not set";
  const std::wstring out(folder, folder + std::strlen(folder));
  FakeJobScript script;
  script.blockBytes = 64 * 1024;
  script.blockMs = 20;
  script.pauseAtJobBytes = 3 * 1024 * 1024 + 300 * 1024;
  script.existing = {u"회의록 최종본.hwp"};
  // A real file behind the duplicate question.
  platform::testing::TestFolder scratch;
  script.existingFolder = scratch.Path();
  const std::u16string existing = scratch / u"회의록 최종본.hwp";
  {
    platform::File f = platform::File::Open(existing, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
    std::vector<char> bytes(81 * 1024 + 300, 'x');
    uint32_t n = 0;
    f.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &n);
  }
  Start({{u"2026년 사업계획서.pdf", 2 << 20},
         {u"제품 사진 모음.zip", 6 << 20},
         {u"고객 명단.xlsx", 180 * 1024},
         {u"회의록 최종본.hwp", 96 * 1024},
         {u"설치 안내.txt", 3 * 1024}},
        script, u"ko");
  ::SetForegroundWindow(main);
  Click(id::kStart);
  ASSERT_TRUE(PumpUntil([&] { return job->Paused(); }, 20000));
  Pump(700);
  EXPECT_TRUE(vard::container::SaveWindowShot(main, out + L"\\agent_download_ko.bmp"));

  std::thread chooser = ChooseTrayItemLater(0, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RECT r;
    ::GetWindowRect(::FindWindowW(L"#32768", nullptr), &r);
    vard::container::SaveScreenArea(r, out + L"\\agent_tray_menu_ko.bmp");
  });
  ::SendMessageW(main, TrayMessage(), 0, WM_RBUTTONUP);
  chooser.join();

  frame->Presenter().OnTrayCommand(32788);
  HWND settings = Dialog();
  Pump(300);
  if (settings) vard::container::SaveWindowShot(settings, out + L"\\agent_settings_ko.bmp");
  Click(::GetDlgItem(settings, CConfigDlgBase::kCloseButton));
  Pump(100);

  job->Resume();
  HWND question = Dialog();
  ASSERT_NE(question, nullptr);
  Pump(300);
  vard::container::SaveWindowShot(question, out + L"\\agent_duplicate_ko.bmp");
  std::thread saver = CancelSaveDialogLater([&](HWND save) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The type list open, to show both filters.
    ::SendDlgItemMessageW(save, 0x470, CB_SHOWDROPDOWN, TRUE, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RECT r;
    ::GetWindowRect(save, &r);
    r.bottom += 60;  // the open list may hang below the dialog
    vard::container::SaveScreenArea(r, out + L"\\agent_saveas_ko.bmp");
    ::SendDlgItemMessageW(save, 0x470, CB_SHOWDROPDOWN, FALSE, 0);
  });
  Click(::GetDlgItem(question, CAskSaveAsBase::kSaveAs));
  saver.join();
  Click(::GetDlgItem(question, IDCANCEL));
  Click(id::kPause);
}

}  // namespace
}  // namespace vard::agentwin
