// The images read by our reader against what Windows reads from the same
// files: strings, raw templates and menus, and real dialogs built from the
// templates.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/respack/MenuResource.h"
#include "common/respack/ResourceImage.h"
#include "resources/PackImages.h"

namespace vard {
namespace {

std::wstring ImagePath(const char* name) {
  std::wstring path = VARD_PACK_DIR_W;
  path += L"\\";
  for (const char* c = name; *c; ++c) path += wchar_t(*c);
  return path + L".dll";
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr);
  bytes.resize(read);
  CloseHandle(file);
  return bytes;
}

std::vector<uint8_t> SystemResource(HMODULE module, uint32_t id, LPCWSTR type) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return {};
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  return {data, data + SizeofResource(module, found)};
}

INT_PTR CALLBACK QuietProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct Image {
  const char* file;
  uint32_t embeddedId;  // 0: not embedded in the programs
  std::map<uint32_t, std::set<int>> dialogs;  // template -> control IDs
  std::vector<uint32_t> menus;
};

const std::set<int> kDownloadDialog = {207, 208, 209, 210, 205, 214, 211, 213, 206, 1001, 212, 201, 1, 204, 2, 229};
const std::set<int> kExists = {208, 207, 210, 212, 211, 203, 204, 205, 2, 206};
const std::set<int> kForm = {207, 208, 211, 213, 206, 204, 1000, 1001, 1007, 1004, 1002, 1018, 1003, 1005};
std::set<int> DownloadForm() {
  std::set<int> ids = kForm;
  ids.insert({1012, 1019, 1013, 1014, 1015, 1017});
  return ids;
}
const std::set<int> kRename = {1010, 203, 204, 1013, 1, 2};
const std::set<int> kSettings = {1031, 1013, 1021, 1022, 1025, 1026, 1027, 1028, 1030};

std::vector<Image> Images() {
  const std::map<uint32_t, std::set<int>> control = {
      {104, kDownloadDialog}, {105, kDownloadDialog}, {106, kDownloadDialog},
      {204, {207, 213, 217, 214, 215, 216}}, {205, kExists}};
  const std::map<uint32_t, std::set<int>> agent = {
      {104, kForm}, {223, DownloadForm()}, {205, kExists}, {222, kExists},
      {219, {1006, 1, 7, 2, 1007}}, {221, kRename}};
  return {
      {"pack201", 201, control, {204}},
      {"pack202", 202, control, {204}},
      {"table222", 222, agent, {}},
      {"table224", 224, agent, {}},
      {"agent_own", 0, {{224, kSettings}, {227, kSettings}, {228, {1, 2}}, {221, kRename}}, {223}},
  };
}

class PackImages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
  }
};

TEST_F(PackImages, EmbeddedBytesAreTheBuiltImages) {
  for (const Image& image : Images()) {
    if (!image.embeddedId) continue;
    const auto embedded = PackImage(image.embeddedId);
    const auto file = ReadFileBytes(ImagePath(image.file));
    ASSERT_FALSE(file.empty()) << image.file;
    EXPECT_EQ(std::vector<uint8_t>(embedded.begin(), embedded.end()), file) << image.file;
  }
}

TEST_F(PackImages, OurTablesEqualWhatWindowsReads) {
  for (const Image& image : Images()) {
    SCOPED_TRACE(image.file);
    const auto tables = ReadResourceImage(ReadFileBytes(ImagePath(image.file)));
    ASSERT_TRUE(tables.has_value());
    HMODULE module = LoadLibraryExW(ImagePath(image.file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (uint32_t id = 0; id < 1200; ++id) {
      wchar_t buffer[2048] = {};
      const int length = LoadStringW(module, id, buffer, 2048);
      const auto ours = tables->strings.find(id);
      if (ours == tables->strings.end()) {
        EXPECT_EQ(length, 0) << id;
      } else {
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buffer), size_t(length)), ours->second) << id;
      }
    }
    for (const auto& [id, controls] : image.dialogs) {
      ASSERT_TRUE(tables->dialogs.count(id)) << id;
      EXPECT_EQ(tables->dialogs.at(id), SystemResource(module, id, MAKEINTRESOURCEW(5))) << id;
    }
    for (uint32_t id : image.menus) {
      ASSERT_TRUE(tables->menus.count(id)) << id;
      EXPECT_EQ(tables->menus.at(id), SystemResource(module, id, MAKEINTRESOURCEW(4))) << id;
    }
    EXPECT_EQ(tables->dialogs.size(), image.dialogs.size());
    EXPECT_EQ(tables->menus.size(), image.menus.size());
    FreeLibrary(module);
  }
}

TEST_F(PackImages, TemplatesBuildRealDialogsWithEveryControl) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  if (!parent) GTEST_SKIP() << "no display to create windows on";
  for (const Image& image : Images()) {
    SCOPED_TRACE(image.file);
    const auto tables = ReadResourceImage(ReadFileBytes(ImagePath(image.file)));
    ASSERT_TRUE(tables.has_value());
    for (const auto& [id, controls] : image.dialogs) {
      std::vector<uint8_t> copy = tables->dialogs.at(id);
      HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                               reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), parent,
                                               QuietProc, 0);
      ASSERT_NE(dialog, nullptr) << "template " << id << " error " << GetLastError();
      for (int control : controls) EXPECT_NE(GetDlgItem(dialog, control), nullptr) << id << "/" << control;
      // Hidden controls: all but six in the compact dialog, 1005 in the upload form.
      const bool compact = image.embeddedId == 201 || image.embeddedId == 202 ? id == 105 : false;
      const bool uploadForm = (image.embeddedId == 222 || image.embeddedId == 224) && id == 104;
      for (int control : controls) {
        const bool shown = (GetWindowLongW(GetDlgItem(dialog, control), GWL_STYLE) & WS_VISIBLE) != 0;
        if (compact) {
          const bool listed = control == 205 || (control >= 207 && control <= 210) || control == 229;
          EXPECT_EQ(shown, listed) << control;
        } else if (uploadForm && control == 1005) {
          EXPECT_FALSE(shown);
        } else if (control != 2) {
          EXPECT_TRUE(shown) << id << "/" << control;
        }
      }
      DestroyWindow(dialog);
    }
  }
  DestroyWindow(parent);
}

TEST_F(PackImages, MenusLoadAndMatchOurParser) {
  for (const Image& image : Images()) {
    const auto tables = ReadResourceImage(ReadFileBytes(ImagePath(image.file)));
    ASSERT_TRUE(tables.has_value());
    for (uint32_t id : image.menus) {
      const auto& bytes = tables->menus.at(id);
      HMENU menu = LoadMenuIndirectW(reinterpret_cast<const MENUTEMPLATEW*>(bytes.data()));
      ASSERT_NE(menu, nullptr);
      HMENU popup = GetSubMenu(menu, 0);
      ASSERT_NE(popup, nullptr);
      const auto items = FirstPopupItems(bytes);
      ASSERT_EQ(GetMenuItemCount(popup), int(items.size()));
      for (size_t i = 0; i < items.size(); ++i) {
        MENUITEMINFOW info{};
        wchar_t text[256] = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        ASSERT_TRUE(GetMenuItemInfoW(popup, UINT(i), TRUE, &info));
        EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, items[i].separator) << i;
        if (!items[i].separator) {
          EXPECT_EQ(info.wID, items[i].id);
          EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), items[i].text);
        }
      }
      DestroyMenu(menu);
    }
  }
}

TEST_F(PackImages, AgentIconsArePresent) {
  HMODULE module = LoadLibraryExW(ImagePath("agent_own").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  for (uint32_t id : {128u, 203u, 204u, 205u, 206u, 207u, 208u}) {
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14)), nullptr) << id;
  }
  FreeLibrary(module);
}

}  // namespace
}  // namespace vard
