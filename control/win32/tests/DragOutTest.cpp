// What a drag of rows gives the shell, byte for byte, and how the drag and
// the drop detection decide.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "common/platform/Clock.h"
#include "control/win32/DropDataObject.h"
#include "control/win32/DropFolderWatcher.h"

#include <shlobj.h>

namespace vard::com {
namespace {

constexpr char kMarker[] = "C:\\users\\me\\Temp\\{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}";

std::vector<uint8_t> Bytes(IDataObject* data, CLIPFORMAT format) {
  FORMATETC f = {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m = {};
  if (FAILED(data->GetData(&f, &m))) return {};
  const auto* p = static_cast<const uint8_t*>(GlobalLock(m.hGlobal));
  std::vector<uint8_t> bytes(p, p + GlobalSize(m.hGlobal));
  GlobalUnlock(m.hGlobal);
  ReleaseStgMedium(&m);
  return bytes;
}

TEST(DragOutTest, TheTwoFormatsInOrderWithTheirExactBytes) {
  auto* data = new DropDataObject(kMarker);
  IEnumFORMATETC* e = nullptr;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &e), S_OK);
  FORMATETC formats[3] = {};
  ULONG got = 0;
  e->Next(3, formats, &got);
  e->Release();
  ASSERT_EQ(got, 2u);
  wchar_t name[64] = {};
  GetClipboardFormatNameW(formats[0].cfFormat, name, 64);
  EXPECT_STREQ(name, L"VardKT5_ServerListData");
  EXPECT_EQ(formats[1].cfFormat, CF_HDROP);
  for (const FORMATETC& f : {formats[0], formats[1]}) {
    EXPECT_EQ(f.dwAspect, static_cast<DWORD>(DVASPECT_CONTENT));
    EXPECT_EQ(f.lindex, -1);
    EXPECT_EQ(f.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
  }

  const std::vector<uint8_t> server = Bytes(data, formats[0].cfFormat);
  ASSERT_GE(server.size(), 24u);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(server.data())), L"SERVER_DROP");

  // A fresh copy for every caller.
  FORMATETC hdrop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM first = {}, second = {};
  ASSERT_EQ(data->GetData(&hdrop, &first), S_OK);
  ASSERT_EQ(data->GetData(&hdrop, &second), S_OK);
  EXPECT_NE(first.hGlobal, second.hGlobal);
  ReleaseStgMedium(&first);
  ReleaseStgMedium(&second);
  const std::vector<uint8_t> drop = Bytes(data, CF_HDROP);
  ASSERT_GE(drop.size(), 281u);
  const auto* files = reinterpret_cast<const DROPFILES*>(drop.data());
  EXPECT_EQ(files->pFiles, 20u);
  EXPECT_EQ(files->pt.x, 0);
  EXPECT_EQ(files->pt.y, 0);
  EXPECT_FALSE(files->fNC);
  EXPECT_FALSE(files->fWide);
  EXPECT_STREQ(reinterpret_cast<const char*>(drop.data() + 20), kMarker);
  EXPECT_EQ(drop[20 + sizeof kMarker], 0);  // the closing double terminator
  data->Release();
}

TEST(DragOutTest, OtherFormatsAndOperationsAreRefusedAsTheShellExpects) {
  auto* data = new DropDataObject(kMarker);
  FORMATETC text = {CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  FORMATETC asStream = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
  FORMATETC hdrop = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m = {};
  EXPECT_EQ(data->QueryGetData(&text), DV_E_FORMATETC);
  EXPECT_EQ(data->QueryGetData(&asStream), DV_E_FORMATETC);
  EXPECT_EQ(data->QueryGetData(&hdrop), S_OK);
  EXPECT_EQ(data->GetData(&text, &m), DV_E_FORMATETC);
  EXPECT_EQ(data->GetDataHere(&hdrop, &m), E_NOTIMPL);
  EXPECT_EQ(data->SetData(&hdrop, &m, FALSE), E_NOTIMPL);
  DWORD cookie = 0;
  EXPECT_EQ(data->DAdvise(&hdrop, 0, nullptr, &cookie), OLE_E_ADVISENOTSUPPORTED);
  // The asynchronous mode is kept as the target sets it.
  IDataObjectAsyncCapability* async = nullptr;
  ASSERT_EQ(data->QueryInterface(IID_IDataObjectAsyncCapability, reinterpret_cast<void**>(&async)), S_OK);
  BOOL mode = TRUE;
  EXPECT_EQ(async->GetAsyncMode(&mode), S_OK);
  EXPECT_FALSE(mode);
  async->SetAsyncMode(TRUE);
  async->GetAsyncMode(&mode);
  EXPECT_TRUE(mode);
  EXPECT_EQ(async->StartOperation(nullptr), S_OK);
  EXPECT_EQ(async->EndOperation(S_OK, nullptr, DROPEFFECT_COPY), E_NOTIMPL);
  async->Release();
  data->Release();
  // A marker path too long for the block gives no file drop at all.
  auto* longPath = new DropDataObject("C:\\" + std::string(300, 'x'));
  EXPECT_EQ(longPath->QueryGetData(&hdrop), DV_E_FORMATETC);
  longPath->Release();
}

TEST(DragOutTest, TheDragEndsOnEscapeAndDropsWhenTheButtonsAreUp) {
  auto* source = new DropSource();
  EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_RBUTTON | MK_SHIFT), S_OK);
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  source->Release();
}

TEST(DragOutTest, OnlyCopiesOfTheMarkerElsewhereAreDrops) {
  const std::wstring marker = L"C:\\Temp\\{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}";
  const std::wstring name = L"{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}";
  EXPECT_FALSE(DropFolderWatcher::IsMarkerCopy(marker, marker, name));
  EXPECT_FALSE(DropFolderWatcher::IsMarkerCopy(L"c:\\temp\\{6b1f3a52-9c4e-4d7a-b8e2-0f5a7c3d9e14}", marker, name));
  EXPECT_TRUE(DropFolderWatcher::IsMarkerCopy(L"D:\\Work\\{6b1f3a52-9C4E-4D7A-B8E2-0F5A7C3D9E14}", marker, name));
  EXPECT_FALSE(DropFolderWatcher::IsMarkerCopy(L"D:\\Work\\{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}.txt", marker, name));
  EXPECT_FALSE(DropFolderWatcher::IsMarkerCopy(L"D:\\Work\\other", marker, name));
}

}  // namespace
}  // namespace vard::com

namespace vard::com {
namespace {

// The watcher itself on the real file system: a copy of the marker made in
// a folder on a fixed drive is reported with its path. The folder is made
// after the watch began, directly under the drive's root: Wine watches the
// folders below a watched one only when they appear after the watch, and
// Windows watches every folder.
TEST(DragOutTest, TheWatcherReportsACopyOfTheMarker) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring name = L"{6B1F3A52-9C4E-4D7A-B8E2-0F5A7C3D9E14}";
  const std::wstring marker = std::wstring(temp) + name;
  CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring folder = std::wstring(windows, 3) + L"vard-watch-test-" + std::to_wstring(GetCurrentProcessId());
  std::atomic<int> found{0};
  std::wstring where;
  std::mutex m;
  DropFolderWatcher watcher(marker, [&](const std::wstring& path) {
    std::lock_guard lock(m);
    where = path;
    ++found;
  });
  ASSERT_TRUE(watcher.Start());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // The watch must see the folder before anything lands in it.
  platform::SystemClock().Sleep(200);
  // A file of another name is no drop.
  CloseHandle(CreateFileW((folder + L"\\other").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(CopyFileW(marker.c_str(), (folder + L"\\" + name).c_str(), FALSE));
  const bool seen = platform::SystemClock().WaitUntil([&] { return found > 0; }, 10000, 20);
  platform::SystemClock().Sleep(200);
  watcher.Stop();
  DeleteFileW((folder + L"\\" + name).c_str());
  DeleteFileW((folder + L"\\other").c_str());
  RemoveDirectoryW(folder.c_str());
  DeleteFileW(marker.c_str());
  ASSERT_TRUE(seen);
  std::lock_guard lock(m);
  EXPECT_EQ(found, 1);
  // Drive roots are watched with lower-case letters.
  EXPECT_EQ(CompareStringOrdinal(where.c_str(), -1, (folder + L"\\" + name).c_str(), -1, TRUE), CSTR_EQUAL) << where;
}

}  // namespace
}  // namespace vard::com
