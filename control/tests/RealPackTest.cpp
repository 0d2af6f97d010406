// The control with the packs it carries, not a prepared store.
#include <gtest/gtest.h>

#include "common/respack/LanguageStore.h"
#include "control/CKT5Ctrl.h"
#include "control/ConsoleControlView.h"
#include "control/ControlComposition.h"
#include "control/DispatchIds.h"

namespace vard {
namespace {

class RealPackTest : public ::testing::Test {
 protected:
  void SetUp() override { Forget(); }
  void TearDown() override { Forget(); }
  // The process-wide pieces the library's composition shares.
  static void Forget() {
    LanguageStore::Instance().Clear();
    ProgramTitle::Process().Reset();
  }
  ConsoleControlView view{400, 300};
};

TEST_F(RealPackTest, LanguageSelectsThePack) {
  CKT5Ctrl c(ComposeControlServices());
  c.put_Language(u"KO");
  EXPECT_EQ(LanguageStore::Instance().Text(100), u"알림");
  c.put_Language(u"En");
  EXPECT_EQ(LanguageStore::Instance().Text(100), u"Alert");
  EXPECT_EQ(c.MessageCaption(), u"Alert - VardKT");
  c.put_Language(u"ja");  // never validates: the texts stay
  EXPECT_EQ(LanguageStore::Instance().Text(100), u"Alert");
}

TEST_F(RealPackTest, UnknownFirstLanguageLeavesTextsEmpty) {
  CKT5Ctrl c(ComposeControlServices());
  c.put_Language(u"ja");
  c.CreateControlWindow(&view);
  EXPECT_EQ(view.Columns()[0].title, u"");
  EXPECT_EQ(view.StatusText(0), u"");
}

TEST_F(RealPackTest, ChangingLanguageChangesStatusTextsNotColumns) {
  CKT5Ctrl c(ComposeControlServices());
  c.put_FolderType(u"type2");
  c.CreateControlWindow(&view);  // "ko" by default
  c.AppendFile(u"http://h/r.pdf", u"docs/2010/r.pdf", int64_t{100});
  c.AppendFile(u"http://h/x.pdf", u"DOCS/x.pdf", int64_t{50});
  EXPECT_EQ(view.Columns()[0].title, u"파일/폴더명");
  EXPECT_EQ(view.StatusText(0), u"전체파일 1개 (0.14KB)");
  EXPECT_EQ(c.List().CellText(0, 2), u"2개");
  EXPECT_EQ(c.List().CellText(0, 3), u"1개");
  c.put_Language(u"en");
  EXPECT_EQ(view.StatusText(0), u"All files : 1 (0.14KB)");
  EXPECT_EQ(view.StatusText(1), u"Selected files 0 (0.00KB)");
  EXPECT_EQ(view.Columns()[0].title, u"파일/폴더명");
}

TEST_F(RealPackTest, ContextMenuTextsComeFromThePack) {
  CKT5Ctrl c(ComposeControlServices());
  c.put_Language(u"en");
  c.CreateControlWindow(&view);
  c.OnContextMenu(0, 0);
  ASSERT_EQ(view.LastMenu().size(), 4u);
  EXPECT_EQ(view.LastMenu()[0].id, kCmdOpenFile);
  EXPECT_EQ(view.LastMenu()[0].text, u"File &Open");
  EXPECT_TRUE(view.LastMenu()[1].separator);
  EXPECT_EQ(view.LastMenu()[3].text, u"Download &All Files");
}

TEST_F(RealPackTest, Base64UrlsOnTheScriptSide) {
  CKT5Ctrl c(ComposeControlServices());
  c.put_UseBase64Encode(-1);
  c.SetPageUrl(u"http://h/p.html");
  c.AppendFile(u"aHR0cDovL2gvYS50eHQ=\r\n", std::nullopt, int64_t{1});  // "http://h/a.txt"
  EXPECT_EQ(c.List().Items()[0].url, u"http://h/a.txt");
  EXPECT_EQ(c.get_GetFileURL(0).value(), u"aHR0cDovL2gvYS50eHQ=");
}

TEST_F(RealPackTest, HostFactsAndTheirRanges) {
  CKT5Ctrl c(ComposeControlServices());
  Variant count, out;
  c.Invoke(dispid::kGetIPCount, InvokeKind::kMethod, {}, &count);
  c.Invoke(dispid::kGetIP, InvokeKind::kMethod, {Variant::UI4(static_cast<uint32_t>(count.number))}, &out);
  EXPECT_EQ(out.type, Variant::Type::kString);
  EXPECT_EQ(out.text, u"");
  for (uint32_t i = 0; i < count.number; ++i) EXPECT_NE(c.GetIP(i), u"127.0.0.1");
  c.Invoke(dispid::kGetMACCount, InvokeKind::kMethod, {}, &count);
  EXPECT_FALSE(c.GetMAC(static_cast<uint32_t>(count.number)).has_value());
  if (count.number > 0) {
    EXPECT_EQ(c.GetMAC(0)->size(), 17u);
  }
}

}  // namespace
}  // namespace vard
