#include "control/CKT5Ctrl.h"

#include <gtest/gtest.h>

#include "control/ConsoleControlView.h"
#include "control/DispatchIds.h"
#include "control/tests/FakeControlServices.h"

namespace vard {
namespace {

struct RecordingSink final : IKT5CtrlEvents {
  void Invoke(int32_t id, const std::vector<Variant>& args) override {
    events.push_back(id);
    if (!args.empty()) lastArg = args[0].number;
  }
  std::vector<int32_t> events;
  int64_t lastArg = -1;
};

class ControlTest : public ::testing::Test {
 protected:
  Variant Get(CKT5Ctrl& c, int32_t id, std::vector<Variant> args = {}) {
    Variant v;
    EXPECT_EQ(c.Invoke(id, InvokeKind::kGet, args, &v), kSOk);
    return v;
  }

  fakes::FakeControlServices fakes;
  ControlServices services = fakes.Wire();
  std::vector<std::u16string>& packLoads = fakes.language->loads;
  ConsoleControlView view{400, 300};
};

TEST_F(ControlTest, BooleanSettersTakeOnlyVariantTrue) {
  CKT5Ctrl c(services);
  c.put_UseUnicode(1);  // through the vtable: 1 is not VARIANT_TRUE
  EXPECT_EQ(c.get_UseUnicode(), kVariantFalse);
  c.put_UseUnicode(-1);
  EXPECT_EQ(c.get_UseUnicode(), kVariantTrue);
  EXPECT_TRUE(c.Dialog().useUnicode);
  // Through dispatch a number is converted first, so 1 arrives as -1.
  c.Invoke(dispid::kUseResume, InvokeKind::kPut, {Variant::I4(0)}, nullptr);
  EXPECT_EQ(c.get_UseResume(), kVariantFalse);
  c.Invoke(dispid::kUseResume, InvokeKind::kPut, {Variant::I4(1)}, nullptr);
  EXPECT_EQ(c.get_UseResume(), kVariantTrue);
  c.Invoke(dispid::kFixResume, InvokeKind::kPut, {Variant::Bool(1)}, nullptr);
  EXPECT_EQ(c.get_FixResume(), kVariantFalse);
}

TEST_F(ControlTest, InitialSettings) {
  CKT5Ctrl c(services);
  EXPECT_EQ(c.get_Language(), u"ko");
  EXPECT_EQ(c.get_ProgramTitle(), u"VardKT");
  EXPECT_EQ(c.get_UseURLEncode(), kVariantTrue);
  EXPECT_EQ(c.get_UseResume(), kVariantTrue);
  EXPECT_EQ(c.get_ShowFileOpen(), kVariantTrue);
  EXPECT_EQ(c.get_OpenFileOverwrite(), kVariantTrue);
  EXPECT_EQ(c.get_UseBase64Encode(), kVariantFalse);
  EXPECT_EQ(c.get_FolderType(), u"type0");
  EXPECT_EQ(c.get_ItemWidth(3), -1);
  EXPECT_EQ(c.get_DialogListHeight(), -1);
  EXPECT_EQ(c.Dialog().captionSuffix, u" - VardKT");
  EXPECT_EQ(c.get_SetFolder(), u"C:\\Docs");  // from the folders service
}

TEST_F(ControlTest, LanguageKeepsTwoUnitsAndLoadsAtOnce) {
  CKT5Ctrl c(services);
  c.put_Language(u"en-US");
  EXPECT_EQ(c.get_Language(), u"en");
  EXPECT_EQ(packLoads.back(), u"en");
  EXPECT_EQ(c.MessageCaption(), u"Alert - VardKT");
}

TEST_F(ControlTest, ProgramTitleIsSharedAndResetByConstruction) {
  CKT5Ctrl a(services);
  a.put_ProgramTitle(u"");
  EXPECT_EQ(a.Dialog().captionSuffix, u"");
  a.put_ProgramTitle(u"Shop");
  CKT5Ctrl b(services);
  EXPECT_EQ(a.get_ProgramTitle(), u"VardKT");
  b.put_ProgramTitle(u"X");
  EXPECT_EQ(a.get_ProgramTitle(), u"X");
}

TEST_F(ControlTest, FixedSettingsChangeOnlyBeforeTheWindow) {
  CKT5Ctrl c(services);
  c.put_FolderType(u"TYPE2");
  EXPECT_EQ(c.get_FolderType(), u"type2");
  c.CreateControlWindow(&view);
  EXPECT_EQ(c.Invoke(dispid::kFolderType, InvokeKind::kPut, {Variant::String(u"type1")}, nullptr), kSOk);
  EXPECT_EQ(c.get_FolderType(), u"type2");
  c.put_ChildMode(-1);
  c.put_OpenFileOverwrite(0);
  EXPECT_EQ(c.get_ChildMode(), kVariantFalse);
  EXPECT_EQ(c.get_OpenFileOverwrite(), kVariantTrue);
  ASSERT_EQ(view.Columns().size(), 4u);
  EXPECT_EQ(view.Columns()[1].title, u"Total Size");
  c.put_FolderType(u"bogus");  // still fixed
  EXPECT_EQ(c.get_FolderType(), u"type2");
}

TEST_F(ControlTest, RowIndexesAndUnsetResults) {
  CKT5Ctrl c(services);
  c.put_FolderType(u"type2");
  c.CreateControlWindow(&view);
  for (auto n : {u"a/1.txt", u"a/2.txt", u"b/1.txt", u"b/x/2.txt", u"a/3.txt"})
    c.AppendFile(u"http://h/f", std::u16string(n), int64_t{10});
  EXPECT_EQ(Get(c, dispid::kGetCount).number, 5);
  EXPECT_EQ(Get(c, dispid::kGetFileName, {Variant::UI4(1)}).text, u"b/1.txt");
  EXPECT_TRUE(Get(c, dispid::kGetFileName, {Variant::UI4(2)}).IsEmpty());
  EXPECT_TRUE(Get(c, dispid::kGetFileName, {Variant::UI4(5)}).IsEmpty());  // GetFileName(GetCount())
  EXPECT_EQ(Get(c, dispid::kGetFileSize, {Variant::UI4(0)}).text, u"10");
  EXPECT_EQ(view.ItemCount(), 2);
  EXPECT_EQ(view.StatusText(0), u"All files : 2 (0.04KB)");
  view.SetSelectedRows({1});
  EXPECT_EQ(Get(c, dispid::kGetSelectedItems).array, std::vector<int32_t>{1});
  c.OnListClick(1);
  EXPECT_EQ(view.StatusText(1), u"Selected files 1 (0.01KB)");
}

TEST_F(ControlTest, AppendResolvesAgainstThePage) {
  CKT5Ctrl c(services);
  c.SetPageUrl(u"http://host/dir/page.html?q=1");
  c.AppendFile(u"files/a.txt", std::nullopt, int64_t{1});
  c.AppendFile(u"/root.txt", std::nullopt, int64_t{1});
  c.AppendFile(u"https://other/b.txt", u"", int64_t{1});
  c.AppendFile(u"", std::nullopt, int64_t{1});  // still built
  EXPECT_EQ(c.List().Items()[0].url, u"http://host/dir/files/a.txt");
  EXPECT_EQ(c.List().Items()[0].fileName, u"a.txt");
  EXPECT_EQ(c.List().Items()[1].url, u"http://host/root.txt");
  EXPECT_EQ(c.List().Items()[2].url, u"https://other/b.txt");
  EXPECT_EQ(c.get_GetCount(), 4);
}

TEST_F(ControlTest, RemoveSelectedAndAll) {
  CKT5Ctrl c(services);
  c.CreateControlWindow(&view);
  for (auto n : {u"0", u"1", u"2", u"3"}) c.AppendFile(u"http://h/x", std::u16string(n), int64_t{1});
  view.SetSelectedRows({1, 3});
  c.RemoveSelectedItems();
  EXPECT_EQ(c.get_GetFileName(1).value(), u"2");
  EXPECT_TRUE(view.SelectedRows().empty());
  EXPECT_EQ(view.ItemCount(), 2);
  c.RemoveAllFiles();
  EXPECT_EQ(view.ItemCount(), 0);
  EXPECT_EQ(view.StatusText(0), u"All files : 0 (0.00KB)");
}

TEST_F(ControlTest, DialogResultsRaiseEvents) {
  CKT5Ctrl c(services);
  RecordingSink sink, other;
  c.Advise(&sink);
  const uint32_t cookie = c.Advise(&other);
  c.CreateControlWindow(&view);
  c.AppendFile(u"http://h/a", u"a", int64_t{1});
  c.AppendFile(u"http://h/b", u"b", int64_t{1});
  for (int result : {1, 2, 7, 0, 3}) {
    fakes.dialogs->endCode = result;
    c.StartDownload();
  }
  EXPECT_EQ(sink.events, (std::vector<int32_t>{dispid::kOnDownloadComplete, dispid::kOnDownloadCancel,
                                               dispid::kOnDownloadError}));
  EXPECT_EQ(fakes.dialogs->lastBatch.size(), 2u);
  EXPECT_EQ(fakes.dialogs->lastOwner, DialogOwner::kControlWindow);
  c.Unadvise(cookie);
  view.SetSelectedRows({1});
  fakes.dialogs->endCode = 1;
  c.StartSelectDownload();
  ASSERT_EQ(fakes.dialogs->lastBatch.size(), 1u);
  EXPECT_EQ(fakes.dialogs->lastBatch[0].fileName, u"b");
  EXPECT_EQ(fakes.dialogs->lastOwner, DialogOwner::kParentWindow);
  EXPECT_EQ(other.events.size(), 3u);

  c.DownloadSelectedTo(u"C:\\drop");
  EXPECT_EQ(fakes.dialogs->lastBatch[0].fileName, u"C:\\drop\\b");
  EXPECT_TRUE(fakes.dialogs->fullPathsDuringRun);
  EXPECT_EQ(c.get_UseFullPath(), kVariantFalse);  // restored after the run
  c.OnListDoubleClick(0);
  EXPECT_EQ(sink.events.back(), dispid::kOnItemDblClick);
  c.OnListClick(9);  // not a row: no event
  EXPECT_EQ(sink.events.back(), dispid::kOnItemDblClick);
}

TEST_F(ControlTest, ChildModeEmbedsTheDialog) {
  CKT5Ctrl c(services);
  RecordingSink sink;
  c.Advise(&sink);
  c.Invoke(dispid::kChildMode, InvokeKind::kPut, {Variant::String(u"true")}, nullptr);
  c.CreateControlWindow(&view);
  const auto embedded = fakes.dialogs->embedded;
  ASSERT_TRUE(embedded);
  EXPECT_EQ(embedded->width, view.ClientWidth());  // it fills the window
  EXPECT_EQ(embedded->height, view.ClientHeight());
  c.AppendFile(u"http://h/a", u"a", int64_t{1});
  c.RemoveAllFiles();
  ASSERT_EQ(embedded->items.size(), 1u);  // the dialog keeps its entries
  EXPECT_EQ(embedded->items[0].url, u"http://h/a");
  c.OnChildDialogEnd(1);
  fakes.dialogs->embeddedEnd(2);  // the end as the dialog itself reports it
  fakes.dialogs->embeddedEnd(7);
  EXPECT_EQ(sink.events, (std::vector<int32_t>{dispid::kOnDownloadComplete, dispid::kOnDownloadCancel,
                                               dispid::kOnDownloadError}));
  c.put_DialogListHeight(-1);  // keeps the template's height
  EXPECT_EQ(embedded->listHeight, -1);
  c.put_DialogListHeight(120);
  EXPECT_EQ(embedded->listHeight, 120);
  c.OnSetFocus();
  EXPECT_TRUE(embedded->focused);
  EXPECT_TRUE(view.Focus().empty());
  c.OnContextMenu(0, 0);  // no menu in child mode
  EXPECT_TRUE(view.LastMenu().empty());
  c.DestroyControlWindow();
  EXPECT_FALSE(embedded->alive);
}

TEST_F(ControlTest, WithoutChildModeThereIsNoEmbeddedDialog) {
  CKT5Ctrl c(services);
  c.CreateControlWindow(&view);
  c.put_ChildMode(-1);  // too late: the window exists
  c.AppendFile(u"http://h/a", u"a", int64_t{1});
  EXPECT_FALSE(fakes.dialogs->embedded);
  c.OnSetFocus();
  EXPECT_EQ(view.Focus(), "list");
}

TEST_F(ControlTest, ContextMenuRules) {
  CKT5Ctrl c(services);
  auto& handed = fakes.handOff->requests;
  c.CreateControlWindow(&view);
  c.AppendFile(u"http://h/a", u"a", int64_t{1});
  c.AppendFile(u"http://h/b", u"b", int64_t{1});

  c.OnContextMenu(5, 5);
  ASSERT_EQ(view.LastMenu().size(), 4u);
  EXPECT_TRUE(view.LastMenu()[0].grayed);   // open: nothing selected
  EXPECT_TRUE(view.LastMenu()[2].grayed);   // download selected
  EXPECT_FALSE(view.LastMenu()[3].grayed);  // download all

  view.SetSelectedRows({0, 1});
  view.SetMenuAnswer(kCmdDownloadSelected);
  c.OnContextMenu(5, 5);
  EXPECT_TRUE(view.LastMenu()[0].grayed);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].batch->size(), 2u);

  c.put_UseContextOpen(0);
  c.OnContextMenu(5, 5);
  EXPECT_EQ(view.LastMenu().front().id, kCmdDownloadSelected);

  c.put_UseContextMenu(0);
  view.SetMenuAnswer(kCmdDownloadAll);
  handed.clear();
  c.OnContextMenu(5, 5);
  EXPECT_TRUE(handed.empty());
}

TEST_F(ControlTest, OpenCommandDownloadsTheOneSelectedItem) {
  CKT5Ctrl c(services);
  c.CreateControlWindow(&view);
  c.AppendFile(u"http://h/a%41.txt", u"sub/a.txt", int64_t{1});
  view.SetSelectedRows({0});
  c.OnCommand(kCmdOpenFile);
  EXPECT_EQ(c.List().Items()[0].url, u"http://h/a%41.txt");  // escaped in the list
  ASSERT_EQ(fakes.dialogs->singleRuns.size(), 1u);
  EXPECT_EQ(fakes.dialogs->singleRuns[0].file.url, u"http://h/aA.txt");  // decoded for the single download
  EXPECT_EQ(fakes.dialogs->singleRuns[0].file.fileName, u"sub/a.txt");
}

TEST_F(ControlTest, LayoutWithAndWithoutStatusBar) {
  CKT5Ctrl c(services);
  c.CreateControlWindow(&view);
  EXPECT_EQ(view.ListHeight(), 280);
  c.OnSetFocus();
  EXPECT_EQ(view.Focus(), "list");
  EXPECT_EQ(view.StatusParts(0), 200);
  EXPECT_EQ(view.StatusParts(1), 400);
  c.put_ShowStatus(0);
  EXPECT_EQ(view.ListHeight(), 300);
  EXPECT_EQ(view.Columns()[0].width, 400 - 17 - 110);
  c.put_ListStyle(u"LIST");
  EXPECT_EQ(view.Mode(), ListViewMode::kList);
  c.put_ItemWidth(0, 222);
  EXPECT_EQ(view.Columns()[0].width, 273);  // list mode leaves widths alone
  c.put_ListStyle(u"");
  EXPECT_EQ(view.Columns()[0].width, 222);
}

TEST_F(ControlTest, EveryMemberAnswersSuccess) {
  CKT5Ctrl c(services);
  for (int32_t id = 1; id < 1000; ++id) {
    const dispid::Member* m = dispid::FindMember(id);
    if (!m) {
      EXPECT_EQ(c.Invoke(id, InvokeKind::kGet, {}, nullptr), kDispMemberNotFound) << id;
      continue;
    }
    Variant out;
    const InvokeKind kind = m->kind == dispid::MemberKind::kMethod ? InvokeKind::kMethod : InvokeKind::kGet;
    EXPECT_EQ(c.Invoke(id, kind, {}, &out), kSOk) << id;
  }
  EXPECT_EQ(dispid::FindMember(u"getcount")->id, 401);
}

// The table is read from the interface definition at build time: its types
// are the type library's.
TEST(MemberTable, TakesEachMembersTypesFromTheInterface) {
  using dispid::FindMember;
  EXPECT_EQ(FindMember(u"LimitRate")->putType, 'u');
  EXPECT_EQ(FindMember(u"ItemWidth3")->putType, 'h');
  EXPECT_EQ(FindMember(u"URLDownloadComplete")->putType, 's');
  EXPECT_EQ(FindMember(u"OpenFileOverwrite")->putType, 'b');
  EXPECT_EQ(FindMember(u"GetFileName")->params, "u");
  EXPECT_EQ(FindMember(u"GetFileName")->kind, dispid::MemberKind::kReadOnly);
  EXPECT_EQ(FindMember(u"DownloadAndOpen")->params, "svvv");
  EXPECT_EQ(FindMember(u"GetIP")->params, "u");
  int members = 0;
  for (int32_t id = 1; id < 1000; ++id) {
    const dispid::Member* m = dispid::FindMember(id);
    if (!m) continue;
    ++members;
    EXPECT_EQ(m->kind == dispid::MemberKind::kProperty, m->putType != ' ') << id;
    EXPECT_EQ(m->params.find_first_not_of("sbuhv"), std::string_view::npos) << id;
  }
  EXPECT_EQ(members, 49);
  EXPECT_EQ(dispid::EventName(dispid::kOnDownloadError), u"OnDownloadError");
}

TEST_F(ControlTest, UnknownLanguageLeavesTheStore) {
  fakes.language->store.Clear();
  CKT5Ctrl c(services);
  c.put_Language(u"ja");
  c.CreateControlWindow(&view);
  EXPECT_EQ(view.Columns()[0].title, u"");
  EXPECT_EQ(view.StatusText(0), u"");
}

TEST_F(ControlTest, PageNumbersAtTheEdgesOfTheirRange) {
  CKT5Ctrl c(services);
  c.put_FolderType(u"type2");
  c.CreateControlWindow(&view);
  auto invoke = [&](int32_t id, InvokeKind kind, std::vector<Variant> args) {
    Variant out;
    EXPECT_EQ(c.Invoke(id, kind, args, &out), kSOk) << id;
    return out;
  };
  const Variant huge = Variant::String(u"99999999999999999999");
  // A size beyond the 64-bit range does not convert: the size is asked from the server.
  invoke(dispid::kAppendFile, InvokeKind::kMethod, {Variant::String(u"http://h/a"), Variant::String(u"g/a"), huge});
  EXPECT_EQ(c.List().Items()[0].fileSize, 0);
  invoke(dispid::kAppendFile, InvokeKind::kMethod,
         {Variant::String(u"http://h/b"), Variant::String(u"g/b"), Variant::String(u"9223372036854775807")});
  invoke(dispid::kAppendFile, InvokeKind::kMethod,
         {Variant::String(u"http://h/c"), Variant::String(u"c"), Variant::I8(INT64_MAX)});
  EXPECT_EQ(view.StatusText(0), u"All files : 2 (8,589,934,591.99GB)");
  view.SetSelectedRows({0, 1});
  c.OnListClick(0);
  EXPECT_EQ(view.StatusText(1), u"Selected files 2 (8,589,934,591.99GB)");
  // Elsewhere it is an argument that does not convert, like any other text.
  for (int32_t id : {dispid::kLimitRate, dispid::kItemWidth2, dispid::kDialogListHeight}) {
    invoke(id, InvokeKind::kPut, {Variant::String(u"many")});
    const Variant asText = invoke(id, InvokeKind::kGet, {});
    invoke(id, InvokeKind::kPut, {Variant::I4(7)});
    invoke(id, InvokeKind::kPut, {huge});
    EXPECT_EQ(invoke(id, InvokeKind::kGet, {}).number, asText.number) << id;
  }
  EXPECT_EQ(invoke(dispid::kGetFileName, InvokeKind::kGet, {huge}).text,
            invoke(dispid::kGetFileName, InvokeKind::kGet, {Variant::String(u"many")}).text);

  // Window sizes at the ends of the 32-bit range.
  view.Resize(INT32_MAX, INT32_MIN);
  view.SetScrollBarWidth(INT32_MIN);
  c.Layout();
  EXPECT_EQ(view.ListHeight(), INT32_MIN);
  EXPECT_EQ(view.StatusParts(0), INT32_MAX / 2);
  view.Resize(INT32_MIN, INT32_MAX);
  view.SetScrollBarWidth(INT32_MAX);
  c.Layout();
  EXPECT_EQ(view.ListHeight(), INT32_MAX - 20);
  EXPECT_EQ(view.Columns()[0].width, 150);
  EXPECT_EQ(view.Columns()[2].width, 65);
}

}  // namespace
}  // namespace vard
