// A drag of list rows made with the mouse, as a user makes it: the button
// goes down on a row, the pointer moves onto another program's drop target
// and the button comes up there. The target sees the two formats, copies
// the dropped file as a file manager does, and the control downloads the
// rows into the folder the copy landed in (not under Wine: see below).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "control/win32/tests/ComServerFixture.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/platform/Clock.h"
#include "common/platform/tests/TestFolder.h"
#include "control/DispatchIds.h"
#include "tools/win32/kt5container/HostedControl.h"

namespace vard::com::testing {
namespace {

// A file manager's folder window as far as a drop goes.
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

TEST(MouseDragTest, RowsDraggedOntoAFolderAreDownloadedIntoIt) {
  OleInitialize(nullptr);
  using Register = HRESULT(WINAPI*)();
  HMODULE module = LoadLibraryW(ModulePath().c_str());
  ASSERT_NE(module, nullptr);
  ASSERT_EQ(reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")))(), S_OK);
  HWND host = CreateWindowExW(0, L"STATIC", L"page", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500,
                              300, nullptr, nullptr, nullptr, nullptr);
  std::vector<int> events;
  {
    container::HostedControl control(host);
    ASSERT_EQ(control.Create(L"VardKT5.KT5Ctrl", [&](const container::ReceivedEvent& e) { events.push_back(e.id); }),
              S_OK);
    ASSERT_EQ(control.Activate(), S_OK);
    IDispatch* d = control.Dispatch();
    Call(d, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://127.0.0.1:1/a.bin"), Text(L"a.bin"), Int(10)});
    Call(d, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://127.0.0.1:1/b.bin"), Text(L"b.bin"), Int(10)});

    // The folder window, beside the page.
    platform::testing::TestFolder folder;
    const std::wstring folderPath(reinterpret_cast<const wchar_t*>(folder.Path().c_str()));
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
    DialogCanceller canceller;  // the download dialog, should the drop be found
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
    // The copy in the folder is where the control learns where the rows
    // went; its drive watcher hears nothing under Wine (see the watcher's
    // own test), so the download that follows is not waited for here.
    RevokeDragDrop(folderWindow);
    DestroyWindow(folderWindow);
    control.Close();
  }
  DestroyWindow(host);
  reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")))();
  OleUninitialize();
}

}  // namespace
}  // namespace vard::com::testing
