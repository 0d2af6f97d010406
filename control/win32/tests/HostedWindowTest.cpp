// The control activated in a window, as a page's host activates it: the
// list shows the presenter's rows (read back with list-view messages),
// events reach a sink, the page's address comes from the site.
#include <gtest/gtest.h>

#include "common/platform/Clock.h"
#include "control/DispatchIds.h"
#include "control/win32/tests/ComServerFixture.h"

#include <commctrl.h>
#include "tools/win32/kt5container/HostedControl.h"

namespace vard::com::testing {
namespace {

using container::HostedControl;
using container::ReceivedEvent;

HWND NewHostWindow() {
  return CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500, 300,
                         nullptr, nullptr, nullptr, nullptr);
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  ListView_GetItemText(list, row, column, text, 256);
  return text;
}

class HostedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    // The test's own registration: creation goes by ProgID.
    using Register = HRESULT(WINAPI*)();
    module_ = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(module_, nullptr);
    auto reg = reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
    ASSERT_EQ(reg(), S_OK);
    host_ = NewHostWindow();
    control_ = std::make_unique<HostedControl>(host_);
    ASSERT_EQ(control_->Create(L"VardKT5.KT5Ctrl", [this](const ReceivedEvent& e) {
      std::wstring args;
      for (const VARIANT& v : e.args) {
        VARIANT t;
        VariantInit(&t);
        VariantChangeType(&t, const_cast<VARIANT*>(&v), 0, VT_BSTR);
        args += std::wstring(L" ") + (V_BSTR(&t) ? V_BSTR(&t) : L"") + L":" + std::to_wstring(V_VT(&v));
        VariantClear(&t);
      }
      events_.push_back(std::to_wstring(e.id) + args);
    }), S_OK);
    d_ = control_->Dispatch();
  }
  void TearDown() override {
    control_.reset();
    if (host_) DestroyWindow(host_);
    using Unregister = HRESULT(WINAPI*)();
    if (module_)
      reinterpret_cast<Unregister>(reinterpret_cast<void*>(GetProcAddress(module_, "DllUnregisterServer")))();
    OleUninitialize();
  }
  void Notify(UINT code, int row) {
    NMITEMACTIVATE n = {};
    n.hdr.hwndFrom = control_->List();
    n.hdr.idFrom = 50001;
    n.hdr.code = code;
    n.iItem = row;
    SendMessageW(control_->Window(), WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
  }

  HMODULE module_ = nullptr;
  HWND host_ = nullptr;
  std::unique_ptr<HostedControl> control_;
  IDispatch* d_ = nullptr;
  std::vector<std::wstring> events_;
};

TEST_F(HostedWindowTest, TheListShowsThePresentersRowsInTheGroupedLayout) {
  auto* bag = new container::ParamBag();
  bag->SetText(L"FolderType", L"TYPE2");
  bag->SetText(L"Language", L"en");
  ASSERT_EQ(control_->LoadParams(*bag), S_OK);
  bag->Release();
  control_->SetPageUrl(L"http://files.example.test/shop/index.html");
  ASSERT_EQ(control_->Activate(), S_OK);
  HWND list = control_->List();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_OWNERDATA, LVS_OWNERDATA);
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"docs/2010/r.pdf"), Text(L"docs/2010/r.pdf"), Int(100)});
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"x.pdf"), Text(L"DOCS/x.pdf"), Int(50)});
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"c.txt"), Missing(), Int(7)});
  EXPECT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 4);
  EXPECT_EQ(Cell(list, 0, 0), L"docs");
  EXPECT_EQ(Cell(list, 0, 1), L"0.14KB");
  EXPECT_EQ(Cell(list, 0, 2), L"2");
  EXPECT_EQ(Cell(list, 0, 3), L"1");
  EXPECT_EQ(Cell(list, 1, 0), L"c.txt");
  EXPECT_EQ(GetInt(d_, dispid::kGetCount), 3);
  // Relative URLs were resolved against the site's page address.
  EXPECT_EQ(GetText(d_, dispid::kGetFileURL, {Int(1)}), L"http://files.example.test/shop/c.txt");
  // The layout is fixed once the window exists.
  EXPECT_EQ(Call(d_, dispid::kFolderType, DISPATCH_PROPERTYPUT, {Text(L"type0")}), S_OK);
  EXPECT_EQ(GetText(d_, dispid::kFolderType), L"type2");
  // Status bar texts follow the list.
  wchar_t status[256] = {};
  SendMessageW(control_->StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
  EXPECT_NE(std::wstring(status).find(L"2"), std::wstring::npos) << status;
  // Selection made in the window is what the script reads.
  ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
  Call(d_, dispid::kRemoveSelectedItems, DISPATCH_METHOD, {});
  EXPECT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_EQ(GetInt(d_, dispid::kGetCount), 2);
}

// The page's trust follows the address the site reports when a member is
// used: none yet (no page: trusted), then an Internet page, whose folder
// outside the person's download folder is refused, then a page on this
// machine's disk, which no site lock names: no more trusted.
TEST_F(HostedWindowTest, TheTrustFollowsTheAddressTheSiteReportsNow) {
  const auto setFolder = [this](const wchar_t* folder) {
    EXPECT_EQ(Call(d_, dispid::kSetFolder, DISPATCH_PROPERTYPUT, {Text(folder)}), S_OK);
    return GetText(d_, dispid::kSetFolder);
  };
  EXPECT_EQ(setFolder(L"C:\\NoPageYet"), L"C:\\NoPageYet");
  control_->SetPageUrl(L"http://www.example.com/shop/index.html");
  const std::wstring kept = setFolder(L"C:\\Elsewhere");
  EXPECT_NE(kept, L"C:\\Elsewhere");
  EXPECT_NE(kept, L"C:\\NoPageYet");  // what the page set before it was known goes too
  VARIANT count;
  VariantInit(&count);
  EXPECT_EQ(Call(d_, dispid::kGetIPCount, DISPATCH_METHOD, {}, &count), S_OK);
  EXPECT_EQ(VariantChangeType(&count, &count, 0, VT_I4), S_OK);
  EXPECT_EQ(V_I4(&count), 0);  // as a machine without addresses
  // A site that stops telling leaves the last page's trust.
  control_->SetPageUrl(L"");
  EXPECT_EQ(setFolder(L"C:\\Still"), kept);
  control_->SetPageUrl(L"file:///C:/pages/index.html");
  EXPECT_EQ(setFolder(L"C:\\Again"), kept);
}

TEST_F(HostedWindowTest, ClicksAndChildDialogEndsReachTheSinkUntilItDisconnects) {
  ASSERT_EQ(control_->Activate(), S_OK);
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://h.test/a.txt"), Text(L"a.txt"), Int(1)});
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://h.test/b.txt"), Text(L"b.txt"), Int(1)});
  Notify(NM_CLICK, 1);
  Notify(NM_DBLCLK, 0);
  Notify(NM_CLICK, -1);  // outside the rows: nothing
  Notify(NM_CLICK, 5);
  SendMessageW(control_->Window(), WM_USER + 1, 1, 0);
  SendMessageW(control_->Window(), WM_USER + 1, 2, 0);
  SendMessageW(control_->Window(), WM_USER + 1, 7, 0);
  const std::vector<std::wstring> expected = {L"1 1:19", L"2 0:19", L"6", L"7", L"8"};
  EXPECT_EQ(events_, expected);
  control_->Close();
  events_.clear();
}

TEST_F(HostedWindowTest, ShowStatusOffGivesTheListTheWholeWindow) {
  ASSERT_EQ(control_->Activate(), S_OK);
  RECT client = {}, list = {};
  GetClientRect(control_->Window(), &client);
  GetWindowRect(control_->List(), &list);
  EXPECT_LT(list.bottom - list.top, client.bottom);
  Call(d_, dispid::kShowStatus, DISPATCH_PROPERTYPUT, {Int(0)});
  GetWindowRect(control_->List(), &list);
  EXPECT_EQ(list.bottom - list.top, client.bottom);
  Call(d_, dispid::kShowStatus, DISPATCH_PROPERTYPUT, {Int(-1)});
  GetWindowRect(control_->List(), &list);
  EXPECT_LT(list.bottom - list.top, client.bottom);
}

}  // namespace
}  // namespace vard::com::testing

namespace vard::com::testing {
namespace {

TEST_F(HostedWindowTest, AListDownloadShowsItsDialogAndACancelledOneRaisesTheCancelEvent) {
  ASSERT_EQ(control_->Activate(), S_OK);
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://127.0.0.1:9/a.txt"), Text(L"a.txt"), Int(1)});
  DialogCanceller canceller;
  EXPECT_EQ(Call(d_, dispid::kStartDownload, DISPATCH_METHOD, {}), S_OK);
  EXPECT_EQ(canceller.Closed(), 1);
  EXPECT_EQ(events_, std::vector<std::wstring>{L"7"});
}

}  // namespace
}  // namespace vard::com::testing

namespace vard::com::testing {
namespace {

// Runs this thread's messages until `done` holds or about `ms` have passed.
bool PumpUntil(const std::function<bool()>& done, uint32_t ms) {
  return platform::SystemClock().WaitUntil([&] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return done();
  }, ms, 20);
}

// The control window's child made from the download template.
HWND EmbeddedDialog(HWND control) {
  for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, 204) && GetDlgItem(child, 206)) return child;
  return nullptr;
}

TEST_F(HostedWindowTest, ChildModeEmbedsTheDownloadDialogWhoseRunsRaiseTheEvents) {
  auto* bag = new container::ParamBag();
  bag->SetText(L"ChildMode", L"true");
  bag->SetText(L"Language", L"en");
  ASSERT_EQ(control_->LoadParams(*bag), S_OK);
  bag->Release();
  ASSERT_EQ(control_->Activate(), S_OK);
  const HWND dialog = EmbeddedDialog(control_->Window());
  ASSERT_NE(dialog, nullptr);
  // A visible frameless child covering the control's client area.
  const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION), 0);
  EXPECT_EQ(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  RECT client = {}, placed = {};
  GetClientRect(control_->Window(), &client);
  GetClientRect(dialog, &placed);
  EXPECT_EQ(placed.right, client.right);
  EXPECT_EQ(placed.bottom, client.bottom);

  // Appended files go into its own list too, which keeps them.
  const HWND list = GetDlgItem(dialog, 204);
  Call(d_, dispid::kAppendFile, DISPATCH_METHOD, {Text(L"http://127.0.0.1:1/a.bin"), Text(L"a.bin"), Int(10)});
  Call(d_, dispid::kRemoveAllFiles, DISPATCH_METHOD, {});
  EXPECT_EQ(ListView_GetItemCount(list), 1);
  EXPECT_EQ(Cell(list, 0, 0), L"a.bin");
  // The list height set by script applies to the dialog that exists.
  Call(d_, dispid::kDialogListHeight, DISPATCH_PROPERTYPUT, {Int(80)});
  RECT listRect = {};
  GetWindowRect(list, &listRect);
  EXPECT_EQ(listRect.bottom - listRect.top, 80);

  // Focus given to the control goes to the dialog.
  SetFocus(control_->Window());
  const HWND focus = GetFocus();
  EXPECT_TRUE(focus == dialog || IsChild(dialog, focus));

  // Keys the host offers first: Tab moves through the dialog's controls,
  // a key on the control's own list is not the dialog's.
  const HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  ASSERT_NE(first, nullptr);
  SetFocus(first);
  auto* active = Query<IOleInPlaceActiveObject>(control_->Object(), IID_IOleInPlaceActiveObject);
  ASSERT_NE(active, nullptr);
  MSG tab = {first, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_EQ(active->TranslateAccelerator(&tab), S_OK);
  EXPECT_EQ(GetFocus(), GetNextDlgTabItem(dialog, first, FALSE));
  MSG onList = {control_->List(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_EQ(active->TranslateAccelerator(&onList), S_FALSE);
  MSG mouse = {first, WM_LBUTTONDOWN, 0, 0, 0, {}};
  EXPECT_EQ(active->TranslateAccelerator(&mouse), S_FALSE);
  active->Release();

  // Start: nothing listens on port 1, so the run fails, and the dialog's
  // end message raises the error event; the dialog stays for the next run.
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1)));
  EXPECT_TRUE(PumpUntil([this] { return !events_.empty(); }, 10000));
  EXPECT_EQ(events_, std::vector<std::wstring>{L"8"});
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1)));
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1)));
  EXPECT_TRUE(PumpUntil([this] { return events_.size() == 2; }, 10000));
  control_->Close();
  EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
}  // namespace vard::com::testing
