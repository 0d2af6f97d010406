#include "control/engine/OpenConsent.h"

#include <gtest/gtest.h>

#include <vector>

namespace vard {
namespace {

struct Recorder {
  OpenSteps Make() {
    OpenSteps s;
    s.ask = [this](const std::u16string& q) {
      asked.push_back(q);
      return yes;
    };
    s.tell = [this](const std::u16string& t) { told.push_back(t); };
    s.open = [this](const std::u16string& p) -> std::optional<std::u16string> {
      opened.push_back(p);
      return openError;
    };
    return s;
  }
  bool yes = false;
  std::optional<std::u16string> openError;
  std::vector<std::u16string> asked, told, opened;
};

DownloadDialogState Page(bool trusted) {
  DownloadDialogState state;
  state.pageTrusted = trusted;
  state.pageUrl = u"https://shop.example:8443/cart?id=1";
  return state;
}

TEST(OpenAfterDownload, ATrustedPagesFileOpensAtOnce) {
  Recorder r;
  EXPECT_TRUE(OpenAfterDownload(Page(true), u"C:\\t\\setup.exe", r.Make()));
  EXPECT_TRUE(r.asked.empty());
  EXPECT_EQ(r.opened, std::vector<std::u16string>{u"C:\\t\\setup.exe"});
  // The shell's refusal is shown, not taken for an open.
  r.openError = u"No program is associated";
  EXPECT_FALSE(OpenAfterDownload(Page(true), u"C:\\t\\a.xyz", r.Make()));
  EXPECT_EQ(r.told, std::vector<std::u16string>{u"No program is associated"});
}

TEST(OpenAfterDownload, AnUntrustedPagesFileOpensOnlyWhenThePersonSaysYes) {
  Recorder r;
  EXPECT_FALSE(OpenAfterDownload(Page(false), u"C:\\d\\report.pdf", r.Make()));
  ASSERT_EQ(r.asked.size(), 1u);
  // The question names who asks (the origin, not the whole URL) and what.
  EXPECT_NE(r.asked[0].find(u"https://shop.example:8443"), std::u16string::npos);
  EXPECT_EQ(r.asked[0].find(u"cart"), std::u16string::npos);
  EXPECT_NE(r.asked[0].find(u"C:\\d\\report.pdf"), std::u16string::npos);
  EXPECT_TRUE(r.opened.empty());
  r.yes = true;
  EXPECT_TRUE(OpenAfterDownload(Page(false), u"C:\\d\\report.pdf", r.Make()));
  EXPECT_EQ(r.opened.size(), 1u);

  // A sandboxed page is not named as its host, which never vouched for it.
  DownloadDialogState sandboxed = Page(false);
  sandboxed.pageOriginApart = u"an opaque origin (a sandboxed page at https://shop.example:8443)";
  EXPECT_TRUE(OpenAfterDownload(sandboxed, u"C:\\d\\report.pdf", r.Make()));
  EXPECT_EQ(r.asked.back().rfind(sandboxed.pageOriginApart + u" wants to open report.pdf", 0), 0u);
  OpenAfterDownload(sandboxed, u"C:\\d\\run.exe", r.Make());
  EXPECT_NE(r.told.back().find(u"from " + sandboxed.pageOriginApart), std::u16string::npos);
}

TEST(OpenAfterDownload, AnUntrustedPagesRunnableFileIsKeptAndThePersonTold) {
  for (const char16_t* path : {u"C:\\d\\setup.EXE", u"C:\\d\\a.msi", u"C:\\d\\run.desktop", u"C:\\d\\page.html",
                               u"C:\\d\\x.svg", u"C:\\d\\s.js", u"C:\\d\\l.lnk", u"C:\\d\\doc.pdf.exe. "}) {
    Recorder r;
    r.yes = true;  // even a yes could not open it
    EXPECT_FALSE(OpenAfterDownload(Page(false), path, r.Make()));
    EXPECT_TRUE(r.asked.empty());
    EXPECT_TRUE(r.opened.empty());
    ASSERT_EQ(r.told.size(), 1u);
    EXPECT_NE(r.told[0].find(path), std::u16string::npos);
    EXPECT_NE(r.told[0].find(u"not opened"), std::u16string::npos);
  }
}

TEST(OpenAfterDownload, APageThatIsNoURLIsStillNamed) {
  Recorder r;
  DownloadDialogState state = Page(false);
  state.pageUrl = u"";
  OpenAfterDownload(state, u"C:\\d\\a.txt", r.Make());
  ASSERT_EQ(r.asked.size(), 1u);
  EXPECT_EQ(r.asked[0].rfind(u"a page wants", 0), 0u);
}

}  // namespace
}  // namespace vard
