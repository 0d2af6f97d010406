// A drag of list rows made with the mouse, as a user makes it: the button
// goes down on a row, the pointer moves onto another program's drop target
// and the button comes up there. The target sees the two formats, copies
// the dropped file as a file manager does, and the control downloads the
// rows into the folder the copy landed in.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "control/win32/tests/ComServerFixture.h"
#include "control/win32/tests/DialogDriver.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/http/testing/TestData.h"
#include "common/http/tests/TestEndpoint.h"
#include "common/platform/Clock.h"
#include "control/DispatchIds.h"
#include "tools/win32/kt5container/HostedControl.h"

namespace vard::com::testing {
namespace {

// A file manager's folder window as far as a drop goes. Its folder is made
// at the drop, directly under the drive's root: Wine's drive watch sees
// only folders made after it began (Windows sees every folder).
class FolderDropTarget final : public IDropTarget {
 public:
  explicit FolderDropTarget(std::wstring folder) : folder_(std::move(folder)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the test's stack
  STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    ++entered;
    FORMATETC own = {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"VardKT5_ServerListData")), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    FORMATETC drop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    sawOwnFormat = data->QueryGetData(&own) == S_OK;
    sawFileDrop = data->QueryGetData(&drop) == S_OK;
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHODIMP DragLeave() override { return S_OK; }
  STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    ++dropped;
    CreateDirectoryW(folder_.c_str(), nullptr);
    FORMATETC f = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m = {};
    if (SUCCEEDED(data->GetData(&f, &m))) {
      auto* files = static_cast<HDROP>(GlobalLock(m.hGlobal));
      wchar_t path[MAX_PATH] = {};
      if (DragQueryFileW(files, 0, path, MAX_PATH)) {
        std::wstring name = path;
        name = name.substr(name.find_last_of(L'\\') + 1);
        copied = CopyFileW(path, (folder_ + L"\\" + name).c_str(), FALSE) != FALSE;
        marker = path;
        copy = folder_ + L"\\" + name;
      }
      GlobalUnlock(m.hGlobal);
      ReleaseStgMedium(&m);
    }
    *effect = DROPEFFECT_COPY;
    return S_OK;
  }

  std::atomic<int> entered{0}, dropped{0};
  bool sawOwnFormat = false, sawFileDrop = false, copied = false;
  std::wstring marker, copy;

 private:
  std::wstring folder_;
  ULONG refs_ = 1;
};

void MouseAt(POINT p, DWORD buttons) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>(p.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1));
  in.mi.dy = static_cast<LONG>(p.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
  SendInput(1, &in, sizeof in);
}

std::atomic<int> g_beginDrags{0};
LRESULT CALLBACK WatchNotify(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_BEGINDRAG) ++g_beginDrags;
  return DefSubclassProc(hwnd, msg, wp, lp);
}

bool Pump(const std::function<bool()>& done, uint32_t ms) {
  return platform::SystemClock().WaitUntil([&] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return done();
  }, ms, 10);
}

// Whether `path` holds the test server's /data/<size> bytes.
bool HoldsServerData(const std::wstring& path, uint64_t size) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> bytes(size + 1);
  DWORD got = 0;
  const bool read = ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(f);
  if (!read || got != size) return false;
  for (uint64_t i = 0; i < size; ++i)
    if (bytes[i] != http_testing::DataByte(i)) return false;
  return true;
}

// The download dialog runs modal inside the drop's handling, so what the
// test waits for is checked on a thread timer, which its loop dispatches.
std::wstring g_folder;
std::atomic<bool> g_arrived{false};
void CALLBACK CheckArrival(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_arrived)
    g_arrived = HoldsServerData(g_folder + L"\\a.bin", 1000) && HoldsServerData(g_folder + L"\\b.bin", 70000);
  if (g_arrived) EnumThreadWindows(GetCurrentThreadId(), &CancelShownDialog, 0);
}

TEST(MouseDragTest, RowsDraggedOntoAFolderAreDownloadedIntoIt) {
  OleInitialize(nullptr);
  using Register = HRESULT(WINAPI*)();
  HMODULE module = LoadLibraryW(ModulePath().c_str());
  ASSERT_NE(module, nullptr);
  ASSERT_EQ(reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")))(), S_OK);
  HWND host = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500,
                              300, nullptr, nullptr, nullptr, nullptr);
  std::vector<int> events;
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring folderPath =
      std::wstring(windows, 3) + L"vard-drop-test-" + std::to_wstring(GetCurrentProcessId());
  {
    container::HostedControl control(host);
    ASSERT_EQ(control.Create(L"VardKT5.KT5Ctrl", [&](const container::ReceivedEvent& e) { events.push_back(e.id); }),
              S_OK);
    ASSERT_EQ(control.Activate(), S_OK);
    IDispatch* d = control.Dispatch();
    const std::wstring server = L"http://127.0.0.1:" + std::to_wstring(http_tests::ServerPort());
    Call(d, dispid::kAppendFile, DISPATCH_METHOD, {Text((server + L"/data/1000").c_str()), Text(L"a.bin"), Int(1000)});
    Call(d, dispid::kAppendFile, DISPATCH_METHOD, {Text((server + L"/data/70000").c_str()), Text(L"b.bin"), Int(70000)});

    // The folder window, beside the page.
    // Its own class: a static window lets the pointer through to what is
    // below it, and a drop would not find it.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VardTestFolderWindow";
    RegisterClassW(&wc);
    HWND folderWindow = CreateWindowExW(0, L"VardTestFolderWindow", L"folder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 560, 0, 300, 300,
                                        nullptr, nullptr, nullptr, nullptr);
    FolderDropTarget target(folderPath);
    ASSERT_EQ(RegisterDragDrop(folderWindow, &target), S_OK);
    Pump([] { return false; }, 300);

    SetWindowSubclass(control.Window(), &WatchNotify, 1, 0);
    // Both rows go: the button comes down on a row that is already selected.
    ListView_SetItemState(control.List(), -1, LVIS_SELECTED, LVIS_SELECTED);
    RECT row = {};
    ASSERT_TRUE(ListView_GetItemRect(control.List(), 0, &row, LVIR_LABEL));
    POINT from = {(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ClientToScreen(control.List(), &from);
    POINT to = {710, 150};
    // The user's hand: another thread, since the drag's own loop holds the
    // control's thread while the pointer moves.
    std::atomic<bool> handDone{false};
    std::thread hand([&] {
      platform::IClock& clock = platform::SystemClock();
      MouseAt(from, 0);
      clock.Sleep(200);
      MouseAt(from, MOUSEEVENTF_LEFTDOWN);
      clock.Sleep(200);
      for (int i = 1; i <= 20; ++i) {
        MouseAt({from.x + (to.x - from.x) * i / 20, from.y + (to.y - from.y) * i / 20}, 0);
        clock.Sleep(50);
      }
      clock.Sleep(300);
      MouseAt(to, MOUSEEVENTF_LEFTUP);
      handDone = true;
    });
    g_folder = folderPath;
    const UINT_PTR arrival = SetTimer(nullptr, 0, 100, &CheckArrival);
    Pump([&] { return handDone && target.dropped > 0; }, 20000);
    hand.join();
    EXPECT_EQ(g_beginDrags, 1);
    EXPECT_GE(target.entered, 1);
    EXPECT_TRUE(target.sawOwnFormat);
    EXPECT_TRUE(target.sawFileDrop);
    EXPECT_EQ(target.dropped, 1);
    EXPECT_TRUE(target.copied);
    // What the file manager was handed is the control's drop marker.
    EXPECT_NE(target.marker.find(L"{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}"), std::wstring::npos) << target.marker;
    // The copy in the folder tells the control where the rows went: it
    // removes the copy and downloads both rows there, whole.
    EXPECT_TRUE(Pump([] { return g_arrived.load(); }, 20000));
    Pump([] { return false; }, 300);  // the finished run's dialog closes
    KillTimer(nullptr, arrival);
    EXPECT_EQ(GetFileAttributesW(target.copy.c_str()), INVALID_FILE_ATTRIBUTES) << "the marker's copy stays";
    RevokeDragDrop(folderWindow);
    DestroyWindow(folderWindow);
    control.Close();
  }
  DeleteFileW((folderPath + L"\\a.bin").c_str());
  DeleteFileW((folderPath + L"\\b.bin").c_str());
  RemoveDirectoryW(folderPath.c_str());
  DestroyWindow(host);
  reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")))();
  OleUninitialize();
}

}  // namespace
}  // namespace vard::com::testing
