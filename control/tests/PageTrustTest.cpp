// How far a page is trusted, and what the guarded members do for a page
// that is not.
#include <gtest/gtest.h>

#include <map>

#include "common/text/Utf.h"
#include "control/CKT5Ctrl.h"
#include "control/DispatchIds.h"
#include "control/PageTrust.h"
#include "control/SiteLock.h"
#include "control/tests/FakeControlServices.h"

namespace vard {
namespace {

namespace p = platform;

TEST(SiteLock, OriginsMatchBySchemeHostAndPortWithWildcardHosts) {
  const SiteLock lock = SiteLock::Parse(
      u"https://intra.example.com; https://*.corp.example , http://localhost:8080\n"
      u"http://Plain.Example/ file:");
  EXPECT_EQ(lock.Size(), 5u);
  for (std::u16string_view yes :
       {u"https://intra.example.com/shop/index.html", u"https://INTRA.example.com:443/", u"https://a.corp.example/x",
        u"https://a.b.corp.example/", u"http://localhost:8080/page", u"http://plain.example/", u"file:///C:/p.html"})
    EXPECT_TRUE(lock.Allows(yes)) << std::string(yes.begin(), yes.end());
  for (std::u16string_view no :
       {u"http://intra.example.com/", u"https://intra.example.com:8443/", u"https://corp.example/",
        u"https://evilcorp.example/", u"https://corp.example.evil.test/", u"http://localhost/",
        u"http://localhost:8081/", u"https://localhost:8080/", u"https://intra.example.com.evil.test/",
        u"https://evil.test/?https://intra.example.com", u"https://intra.example.com@evil.test/", u"", u"page.html"})
    EXPECT_FALSE(lock.Allows(no)) << std::string(no.begin(), no.end());
}

TEST(SiteLock, UnusableEntriesOpenNothing) {
  // Paths, user names, bad ports, bare words and a wildcard on an address.
  const SiteLock lock = SiteLock::Parse(u"https://a.test/path http://u@b.test http://c.test:99999 d.test "
                                        u"https://*.[::1] https:// *");
  EXPECT_EQ(lock.Size(), 0u);
  EXPECT_FALSE(lock.Allows(u"https://a.test/path"));
  EXPECT_FALSE(lock.Allows(u"http://b.test/"));
  EXPECT_EQ(SiteLock::Parse(u"").Size(), 0u);
}

TEST(SiteLock, FileEntriesNameOnlyThisMachinesDisks) {
  const SiteLock lock = SiteLock::Parse(u"file: file://server");
  for (std::u16string_view yes : {u"file:///C:/p.html", u"file:///home/u/p.html", u"file://localhost/D:/x.htm"})
    EXPECT_TRUE(lock.Allows(yes)) << std::string(yes.begin(), yes.end());
  for (std::u16string_view no : {u"file://server/share/p.html", u"file:////server/share/p.html",
                                 u"file://host@SSL/DavWWWRoot/p.html", u"file:///%5C%5Cserver/s/p.html",
                                 u"http://server/p.html"})
    EXPECT_FALSE(lock.Allows(no)) << std::string(no.begin(), no.end());
}

TEST(SiteLock, EntriesThatTakeInStrangersSitesAreRefusedAndLogged) {
  std::vector<std::u16string> lines;
  SiteLock::Checks checks;
  // As the Windows list answers: every single label is a suffix.
  checks.isPublicSuffix = [](std::u16string_view d) {
    return d == u"com" || d == u"co.kr" || d == u"github.io" || d.find(u'.') == std::u16string_view::npos;
  };
  checks.log = [&](std::u16string_view line) { lines.emplace_back(line); };
  const SiteLock lock = SiteLock::Parse(
      u"https://*.com https://*.co.kr https://*.corp https://github.io https://*.shop.co.kr http://localhost:8080 "
      u"https://*.example.com http://10.0.0.1 https://*.github.io http://intranet",
      checks);
  EXPECT_EQ(lock.Size(), 5u);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"VardKT5: site lock entry https://*.com refused: a public suffix",
                                                u"VardKT5: site lock entry https://*.co.kr refused: a public suffix",
                                                u"VardKT5: site lock entry https://*.corp refused: a public suffix",
                                                u"VardKT5: site lock entry https://github.io refused: a public suffix",
                                                u"VardKT5: site lock entry https://*.github.io refused: a public suffix"}));
  for (std::u16string_view yes :
       {u"https://a.shop.co.kr/", u"http://localhost:8080/", u"https://www.example.com/", u"http://10.0.0.1/",
        u"http://intranet/"})
    EXPECT_TRUE(lock.Allows(yes)) << std::string(yes.begin(), yes.end());
  for (std::u16string_view no : {u"https://evil.com/", u"https://evil.co.kr/", u"https://x.corp/", u"https://github.io/",
                                 u"https://me.github.io/"})
    EXPECT_FALSE(lock.Allows(no)) << std::string(no.begin(), no.end());
}

// The platform's own list (or, where the system has none, the usual
// second levels) knows the common suffixes.
TEST(SiteLock, ThePlatformsSuffixListRefusesTheCommonOnes) {
  int refused = 0;
  SiteLock::Checks checks;
  checks.log = [&](std::u16string_view) { ++refused; };
  const SiteLock lock = SiteLock::Parse(u"https://*.com https://*.co.kr https://*.ac.uk https://*.example.com", checks);
  EXPECT_EQ(refused, 3);
  EXPECT_TRUE(lock.Allows(u"https://www.example.com/"));
}

TEST(PageTrust, FilePagesAreTrustedOnlyWhenTheLockNamesThem) {
  const SiteLock files = SiteLock::Parse(u"file: https://ok.test");
  const SiteLock web = SiteLock::Parse(u"https://ok.test");
  struct Case {
    const SiteLock* lock;
    std::u16string_view page;
    p::UrlZone zone;
    bool trusted;
  };
  const Case cases[] = {
      {nullptr, u"file:///C:/Users/u/Downloads/page.html", p::UrlZone::kLocalMachine, false},
      {nullptr, u"file://server/share/page.html", p::UrlZone::kIntranet, false},
      {nullptr, u"http://127.0.0.1/page.html", p::UrlZone::kIntranet, true},
      {nullptr, u"https://shop.test/", p::UrlZone::kInternet, false},
      {nullptr, u"not a url", p::UrlZone::kLocalMachine, false},
      {&files, u"file:///C:/pages/page.html", p::UrlZone::kLocalMachine, true},
      {&files, u"file:///C:/Users/u/Downloads/saved.html", p::UrlZone::kInternet, false},  // its mark says so
      {&files, u"file://server/share/page.html", p::UrlZone::kIntranet, false},
      {&files, u"https://ok.test/", p::UrlZone::kInternet, true},
      {&web, u"file:///C:/pages/page.html", p::UrlZone::kLocalMachine, false},
      {&web, u"http://intranet.test/", p::UrlZone::kIntranet, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PageIsTrusted(c.lock, c.page, c.zone), c.trusted) << std::string(c.page.begin(), c.page.end());
}

// Only what the lock needs of a registry: keys with string values.
class MapRegistry final : public p::IRegistry {
 public:
  bool KeyExists(p::RegistryRoot root, const std::u16string& key) override { return keys_.count({root, key}) > 0; }
  bool CreateKey(p::RegistryRoot root, const std::u16string& key) override {
    keys_[{root, key}];
    return true;
  }
  bool DeleteKey(p::RegistryRoot root, const std::u16string& key) override { return keys_.erase({root, key}) > 0; }
  std::optional<std::u16string> ReadString(p::RegistryRoot root, const std::u16string& key, const std::u16string& name,
                                           size_t) override {
    auto k = keys_.find({root, key});
    if (k == keys_.end() || !k->second.count(name)) return std::nullopt;
    return k->second[name];
  }
  std::optional<uint32_t> ReadDword(p::RegistryRoot, const std::u16string&, const std::u16string&) override {
    return std::nullopt;
  }
  bool WriteString(p::RegistryRoot root, const std::u16string& key, const std::u16string& name,
                   const std::u16string& value) override {
    keys_[{root, key}][name] = value;
    return true;
  }
  bool WriteDword(p::RegistryRoot, const std::u16string&, const std::u16string&, uint32_t) override { return false; }
  bool DeleteValue(p::RegistryRoot, const std::u16string&, const std::u16string&) override { return false; }

 private:
  std::map<std::pair<p::RegistryRoot, std::u16string>, std::map<std::u16string, std::u16string>> keys_;
};

TEST(SiteLock, TheMachinesLockWinsOverThePersons) {
  MapRegistry reg;
  EXPECT_FALSE(SiteLock::Read(reg));
  reg.WriteString(p::RegistryRoot::kCurrentUser, SiteLock::kKey, SiteLock::kValue, u"https://mine.test");
  ASSERT_TRUE(SiteLock::Read(reg));
  EXPECT_TRUE(SiteLock::Read(reg)->Allows(u"https://mine.test/"));
  // The machine's key, even without origins, locks to its own list.
  reg.CreateKey(p::RegistryRoot::kLocalMachine, SiteLock::kKey);
  ASSERT_TRUE(SiteLock::Read(reg));
  EXPECT_FALSE(SiteLock::Read(reg)->Allows(u"https://mine.test/"));
  reg.WriteString(p::RegistryRoot::kLocalMachine, SiteLock::kKey, SiteLock::kValue, u"https://*.admin.test");
  EXPECT_TRUE(SiteLock::Read(reg)->Allows(u"https://www.admin.test/"));
  EXPECT_FALSE(SiteLock::Read(reg)->Allows(u"https://mine.test/"));
}

TEST(PageTrust, TheLockElseTheZoneDecides) {
  fakes::FakeZones zones;
  PageTrust byZone(std::nullopt, zones);
  EXPECT_TRUE(byZone.Trusted());  // no page: a program of this machine hosts the control
  for (auto [zone, trusted] : {std::pair{p::UrlZone::kLocalMachine, true}, {p::UrlZone::kIntranet, true},
                               {p::UrlZone::kTrusted, true}, {p::UrlZone::kInternet, false},
                               {p::UrlZone::kRestricted, false}}) {
    zones.zone = zone;
    byZone.SetPage(u"http://h.test/page");
    EXPECT_EQ(byZone.Trusted(), trusted) << static_cast<int>(zone);
    EXPECT_EQ(byZone.Zone(), zone);
  }
  EXPECT_EQ(byZone.OriginText(), u"http://h.test");

  zones.zone = p::UrlZone::kIntranet;
  PageTrust locked(SiteLock::Parse(u"https://ok.test"), zones);
  EXPECT_FALSE(locked.Trusted());  // a lock trusts no page it does not name
  locked.SetPage(u"http://intranet.test/");
  EXPECT_FALSE(locked.Trusted());
  locked.SetPage(u"https://ok.test/a");
  EXPECT_TRUE(locked.Trusted());
}

// A browser vouches for the frame's origin: trust follows it, and the URL
// decides only when it is of that origin (a file: page's mark is read).
TEST(PageTrust, AnOriginTheBrowserVouchedForDecides) {
  fakes::FakeZones zones;
  zones.zone = p::UrlZone::kIntranet;
  PageTrust trust(std::nullopt, zones);
  const std::u16string page = u"http://127.0.0.1:8080/shop/a.html";
  trust.SetPage(page, u"http://127.0.0.1:8080");
  EXPECT_TRUE(trust.Trusted());
  EXPECT_FALSE(trust.OriginApartFromUrl());
  EXPECT_EQ(zones.asked.back(), page);

  // A sandboxed document on the same host: opaque, a stranger whose files
  // are the Internet's at least.
  trust.SetPage(page, u"null");
  EXPECT_FALSE(trust.Trusted());
  EXPECT_TRUE(trust.OriginApartFromUrl());
  EXPECT_EQ(trust.Zone(), p::UrlZone::kInternet);
  EXPECT_EQ(trust.OriginText(), u"an opaque origin (a sandboxed page at http://127.0.0.1:8080)");
  zones.zone = p::UrlZone::kRestricted;
  trust.SetPage(page, u"null");
  EXPECT_EQ(trust.Zone(), p::UrlZone::kRestricted);
  zones.zone = p::UrlZone::kIntranet;

  // Frames that inherit their origin are judged by it alone.
  trust.SetPage(u"about:srcdoc", u"http://127.0.0.1:8080");
  EXPECT_TRUE(trust.Trusted());
  EXPECT_TRUE(trust.OriginApartFromUrl());
  EXPECT_EQ(zones.asked.back(), u"http://127.0.0.1:8080");
  EXPECT_EQ(trust.OriginText(), u"http://127.0.0.1:8080");

  // Anything that is not exactly an origin with a host is no origin.
  for (const char16_t* origin : {u"", u"null ", u"http://127.0.0.1:8080/", u"HTTP://127.0.0.1:8080",
                                 u"http://127.0.0.1:80", u"http://u@127.0.0.1:8080", u"127.0.0.1:8080", u"file://"}) {
    trust.SetPage(u"blob:http://127.0.0.1:8080/5f1c", origin);
    EXPECT_FALSE(trust.Trusted()) << Utf16ToUtf8(origin);
    EXPECT_TRUE(trust.OriginApartFromUrl()) << Utf16ToUtf8(origin);
  }
  // The plain setter forgets the vouched origin.
  trust.SetPage(page);
  EXPECT_TRUE(trust.Trusted());
  EXPECT_FALSE(trust.OriginApartFromUrl());

  // file: origins carry no path: trusted only with the page's own URL,
  // where the lock and the file's mark are read.
  zones.zone = p::UrlZone::kLocalMachine;
  PageTrust files(SiteLock::Parse(u"file:"), zones);
  files.SetPage(u"file:///C:/pages/p.html", u"file://");
  EXPECT_TRUE(files.Trusted());
  files.SetPage(u"about:blank", u"file://");
  EXPECT_FALSE(files.Trusted());
  files.SetPage(u"file:///C:/pages/p.html", u"null");
  EXPECT_FALSE(files.Trusted());
}

TEST(PageTrust, UntrustedPagesChooseFoldersInsideTheDownloadFolder) {
  const std::u16string home = u"C:\\Users\\u\\Downloads";
  EXPECT_EQ(FolderInside(home, u"shop"), home + u"\\shop");
  EXPECT_EQ(FolderInside(home, u"shop/2024/"), home + u"\\shop\\2024");
  EXPECT_EQ(FolderInside(home + u"\\", u"c:\\users\\U\\downloads\\a"), home + u"\\a");  // the person's spelling
  EXPECT_EQ(FolderInside(home, home), home);
  for (std::u16string_view out : {u"C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
                                  u"C:\\Users\\u\\Downloads2", u"C:\\Users\\u\\Downloads\\..\\AppData", u"..\\x",
                                  u"\\\\server\\share", u"D:", u"a:b", u"CON", u""})
    EXPECT_FALSE(FolderInside(home, std::u16string(out))) << std::string(out.begin(), out.end());
}

TEST(PageTrust, WhereAPagesDownloadsGo) {
  const PageFolders f{u"D:\\Stored", u"C:\\Users\\u\\Downloads", u"E:\\Chosen"};
  const PageFolders nothingChosen{u"D:\\Stored", u"C:\\Users\\u\\Downloads", u""};
  struct Case {
    bool trusted;
    std::u16string_view current;
    const PageFolders* folders;
    std::u16string_view folder;
  };
  const Case starts[] = {
      {true, u"D:\\Stored", &f, u"D:\\Stored"},
      {true, u"X:\\Anything", &f, u"X:\\Anything"},
      {false, u"D:\\Stored", &f, u"C:\\Users\\u\\Downloads"},
      {false, u"C:\\Users\\u\\Downloads\\shop", &f, u"C:\\Users\\u\\Downloads\\shop"},
      {false, u"E:\\Chosen\\sub", &f, u"E:\\Chosen\\sub"},
      {false, u"E:\\Chosen\\sub", &nothingChosen, u"C:\\Users\\u\\Downloads"},
      {false, u"C:\\Users\\u\\Downloads\\.config", &f, u"C:\\Users\\u\\Downloads"},
      {false, u"", &f, u"C:\\Users\\u\\Downloads"},
  };
  for (const Case& c : starts)
    EXPECT_EQ(FolderForTrust(c.trusted, std::u16string(c.current), *c.folders), c.folder)
        << c.trusted << " " << std::string(c.current.begin(), c.current.end());

  const std::pair<std::u16string_view, std::optional<std::u16string>> untrustedSets[] = {
      {u"shop", u"C:\\Users\\u\\Downloads\\shop"},
      {u"C:\\Users\\u\\Downloads\\a\\b\\", u"C:\\Users\\u\\Downloads\\a\\b"},
      {u"E:\\Chosen\\x", u"E:\\Chosen\\x"},
      {u"D:\\Stored", std::nullopt},
      {u".config/autostart", std::nullopt},
      {u"shop/.hidden", std::nullopt},
      {u"C:\\Users\\u\\Downloads\\.ssh", std::nullopt},
      {u"LPT\u00B9", std::nullopt},
      {u"..", std::nullopt},
      {u"", std::nullopt},
  };
  for (const auto& [requested, want] : untrustedSets)
    EXPECT_EQ(FolderPageMaySet(false, std::u16string(requested), f), want)
        << std::string(requested.begin(), requested.end());
  EXPECT_EQ(FolderPageMaySet(true, u"D:\\Stored\\.x", f), u"D:\\Stored\\.x");
  EXPECT_EQ(FolderPageMaySet(true, u"", f), std::nullopt);
}

class GuardedMembers : public ::testing::Test {
 protected:
  // A control on a page of `zone`.
  std::unique_ptr<CKT5Ctrl> On(p::UrlZone zone) {
    fakes.zones->zone = zone;
    auto c = std::make_unique<CKT5Ctrl>(fakes.Wire());
    c->SetPageUrl(u"http://page.test/shop/index.html");
    fakes.debugLines->clear();
    return c;
  }
  bool Refused(std::u16string_view member) const {
    const std::u16string want = u"VardKT5: " + std::u16string(member) + u" refused to the page of http://page.test";
    return std::count(fakes.debugLines->begin(), fakes.debugLines->end(), want) == 1;
  }

  fakes::FakeControlServices fakes;
};

TEST_F(GuardedMembers, FoldersBeyondTheDownloadFolderAreForTrustedPagesOnly) {
  fakes.folders->initial = u"C:\\Docs";
  auto trusted = On(p::UrlZone::kIntranet);
  trusted->put_SetFolder(u"C:\\Elsewhere");
  EXPECT_EQ(trusted->get_SetFolder(), u"C:\\Elsewhere");
  trusted->put_SetTempFolder(u"C:\\Tmp");
  EXPECT_EQ(trusted->get_SetTempFolder(), u"prepared C:\\Tmp");
  EXPECT_TRUE(fakes.debugLines->empty());

  // An untrusted page starts in the person's download folder, never in
  // the folder some page stored.
  auto page = On(p::UrlZone::kInternet);
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Users\\u\\Downloads");
  page->put_SetFolder(u"C:\\Users\\u\\AppData\\Roaming");
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Users\\u\\Downloads");
  EXPECT_TRUE(Refused(u"SetFolder"));
  page->put_SetFolder(u"C:\\Docs");
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Users\\u\\Downloads");
  page->put_SetFolder(u"shop");
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Users\\u\\Downloads\\shop");
  page->put_SetFolder(u"C:\\Users\\u\\Downloads\\2024");
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Users\\u\\Downloads\\2024");
  page->put_SetTempFolder(u"C:\\Tmp");
  EXPECT_EQ(page->get_SetTempFolder(), u"");
  EXPECT_TRUE(Refused(u"SetTempFolder"));
  // What the person chose in the folder question is theirs to give.
  fakes.folders->chosen = u"D:\\Projects\\";
  ASSERT_EQ(page->FolderSelect(), u"D:\\Projects\\");
  page->put_SetFolder(u"D:\\Projects\\");
  EXPECT_EQ(page->get_SetFolder(), u"D:\\Projects");
  page->put_SetFolder(u"D:\\Other");
  EXPECT_EQ(page->get_SetFolder(), u"D:\\Projects");
}

// An untrusted page hands the agent only names its own runs would take, and
// hears of finished files only at its own origin.
TEST_F(GuardedMembers, AnUntrustedPagesHandOffKeepsItsNamesAndNotificationsHome) {
  const auto handOff = [&](CKT5Ctrl& c, const std::u16string& notify) {
    c.RemoveAllFiles();
    for (const char16_t* name : {u"ok/a.txt", u".bashrc", u".config/autostart/x.desktop", u"shop/NUL.txt",
                                 u"shop/.git/", u"b.txt"})
      c.AppendFile(u"http://page.test/f", std::u16string(name), int64_t{1});
    c.put_URLDownloadComplete(notify);
    fakes.handOff->requests.clear();
    c.StartPlusDownload();
    EXPECT_EQ(fakes.handOff->requests.size(), 1u);
    std::vector<std::u16string> names;
    for (const DownloadItem& item : *fakes.handOff->requests.back().batch)
      names.push_back(item.subFolder + u"|" + item.displayName);
    return names;
  };
  auto page = On(p::UrlZone::kInternet);
  EXPECT_EQ(handOff(*page, u"http://tracker.test/done"), (std::vector<std::u16string>{u"ok|a.txt", u"|b.txt"}));
  EXPECT_FALSE(fakes.handOff->requests.back().notificationUrl.has_value());
  const auto logged = [&](std::u16string_view want) {
    return std::count(fakes.debugLines->begin(), fakes.debugLines->end(), std::u16string(want)) == 1;
  };
  EXPECT_TRUE(logged(u"VardKT5: \"\" / \".bashrc\" not handed to the agent for the page of http://page.test"));
  EXPECT_TRUE(logged(u"VardKT5: \"shop\" / \"NUL.txt\" not handed to the agent for the page of http://page.test"));
  EXPECT_TRUE(logged(u"VardKT5: the completion notification to http://tracker.test dropped for the page of "
                     u"http://page.test"));
  EXPECT_EQ(fakes.debugLines->size(), 5u);
  // Its own origin, port and scheme included, is told.
  handOff(*page, u"http://page.test:80/done?x=1");
  EXPECT_EQ(fakes.handOff->requests.back().notificationUrl, u"http://page.test:80/done?x=1");
  for (const char16_t* other : {u"https://page.test/done", u"http://page.test:8080/done", u"done.php"}) {
    handOff(*page, other);
    EXPECT_FALSE(fakes.handOff->requests.back().notificationUrl.has_value()) << Utf16ToUtf8(other);
  }

  // A trusted page hands what it names, and tells whom it likes.
  auto trusted = On(p::UrlZone::kIntranet);
  EXPECT_EQ(handOff(*trusted, u"http://tracker.test/done").size(), 6u);
  EXPECT_EQ(fakes.handOff->requests.back().notificationUrl, u"http://tracker.test/done");
  EXPECT_TRUE(fakes.debugLines->empty());
}

// A sandboxed page on a trusted host is a stranger there: none of the
// host's cookies go with its hand-offs and it tells the host nothing.
TEST_F(GuardedMembers, AnOpaqueOriginHasNothingOfItsUrlsHost) {
  fakes.zones->zone = p::UrlZone::kIntranet;
  CKT5Ctrl c(fakes.Wire());
  c.SetPageUrl(u"http://page.test/shop/index.html", u"null");
  EXPECT_FALSE(c.PageTrusted());
  EXPECT_EQ(c.PageUrl(), u"http://page.test/shop/index.html");
  EXPECT_EQ(c.Dialog().pageUrl, u"http://page.test/shop/index.html");  // what its files' marks name
  c.put_SetFolder(u"C:\\Elsewhere");
  EXPECT_EQ(fakes.debugLines->back(),
            u"VardKT5: SetFolder refused to the page of an opaque origin (a sandboxed page at http://page.test)");
  c.AppendFile(u"http://page.test/f", u"a.txt", int64_t{1});
  c.put_URLDownloadComplete(u"http://page.test/done");
  c.StartPlusDownload();
  ASSERT_EQ(fakes.handOff->requests.size(), 1u);
  EXPECT_EQ(fakes.handOff->requests[0].pageUrl, u"");
  EXPECT_FALSE(fakes.handOff->requests[0].notificationUrl.has_value());

  // Vouched for as its own origin, the same page is as before.
  c.SetPageUrl(u"http://page.test/shop/index.html", u"http://page.test");
  EXPECT_TRUE(c.PageTrusted());
  fakes.zones->zone = p::UrlZone::kInternet;
  c.SetPageUrl(u"http://page.test/shop/index.html", u"http://page.test");
  EXPECT_EQ(c.Dialog().pageOriginApart, u"");
  c.StartPlusDownload();
  EXPECT_EQ(fakes.handOff->requests.back().pageUrl, u"http://page.test/shop/index.html");
  EXPECT_EQ(fakes.handOff->requests.back().notificationUrl, u"http://page.test/done");
}

TEST_F(GuardedMembers, FoldersSetBeforeThePageWasKnownGoWhenItIsNotTrusted) {
  fakes.folders->initial = u"C:\\Docs";
  CKT5Ctrl c(fakes.Wire());
  c.put_SetFolder(u"C:\\Startup");
  c.put_SetTempFolder(u"C:\\Tmp");
  fakes.zones->zone = p::UrlZone::kInternet;
  c.SetPageUrl(u"http://page.test/");
  EXPECT_EQ(c.get_SetFolder(), u"C:\\Users\\u\\Downloads");
  EXPECT_EQ(c.get_SetTempFolder(), u"");
}

// Under a lock a control starts untrusted, in the person's download folder;
// once its page proves locked, it takes the folder kept for the person
// (what a child-mode dialog made then writes to), unless the page chose one.
TEST_F(GuardedMembers, ALockedPageLeavesTheUntrustedStartBehind) {
  fakes.folders->initial = u"C:\\Docs";
  fakes.zones->lock = SiteLock::Parse(u"http://page.test");
  CKT5Ctrl c(fakes.Wire());
  EXPECT_EQ(c.get_SetFolder(), u"C:\\Users\\u\\Downloads");
  c.SetPageUrl(u"http://page.test/shop/");
  EXPECT_EQ(c.get_SetFolder(), u"C:\\Docs");
  CKT5Ctrl chose(fakes.Wire());
  chose.put_SetFolder(u"mine");  // inside the download folder, as an unknown page may
  chose.SetPageUrl(u"http://page.test/shop/");
  EXPECT_EQ(chose.get_SetFolder(), u"C:\\Users\\u\\Downloads\\mine");
}

// The size a server answered is the person's: an untrusted page reads back
// the size it gave.
TEST_F(GuardedMembers, AnUntrustedPageReadsBackOnlyTheSizesItGave) {
  for (bool trusted : {true, false}) {
    auto c = On(trusted ? p::UrlZone::kIntranet : p::UrlZone::kInternet);
    fakes.network->size = 4096;
    c->AppendFile(u"http://10.0.0.5/secret.bin", u"a.bin", std::nullopt);
    c->AppendFile(u"http://10.0.0.5/b.bin", u"b.bin", int64_t{7});
    EXPECT_EQ(c->get_GetFileSize(0), trusted ? u"4096" : u"0");
    EXPECT_EQ(c->get_GetFileSize(1), u"7");
  }
}

TEST_F(GuardedMembers, FullPathsAndResumesWithoutAQuestionAreForTrustedPagesOnly) {
  for (bool trusted : {true, false}) {
    auto c = On(trusted ? p::UrlZone::kTrusted : p::UrlZone::kInternet);
    c->put_UseFullPath(kVariantTrue);
    c->put_FixResume(kVariantTrue);
    c->put_OpenFileOverwrite(kVariantTrue);
    // The page reads back what it set; the downloads leave it out.
    EXPECT_EQ(c->get_UseFullPath(), kVariantTrue);
    EXPECT_EQ(Refused(u"UseFullPath"), !trusted);
    EXPECT_EQ(Refused(u"FixResume"), !trusted);
    EXPECT_EQ(Refused(u"OpenFileOverwrite"), !trusted);
    EXPECT_EQ(c->Dialog().pageTrusted, trusted);  // what the dialogs go by
    c->DownloadAndOpen(u"/ok/20", u"C:\\Users\\u\\.profile", 20, std::nullopt);
    ASSERT_FALSE(fakes.dialogs->singleRuns.empty());
    EXPECT_EQ(fakes.dialogs->singleRuns.back().pageTrusted, trusted);
    // Rows dropped into a folder go where the person dropped them.
    c->AppendFile(u"http://h/a", u"a", int64_t{1});
    c->DownloadSelectedTo(u"C:\\Dropped\\");
    EXPECT_TRUE(fakes.dialogs->stateDuringRun.personChose);
    EXPECT_EQ(fakes.dialogs->stateDuringRun.pageTrusted, trusted);  // FixResume keeps no effect
    EXPECT_EQ(fakes.dialogs->stateDuringRun.downloadFolder,
              trusted ? c->Dialog().downloadFolder : u"C:\\Dropped\\");  // held below the drop
    EXPECT_EQ(c->Dialog().pageTrusted, trusted);
    EXPECT_FALSE(c->Dialog().personChose);
  }
}

// Page script runs again in a run dialog's message loop: its calls are
// refused until the dialog is down.
TEST_F(GuardedMembers, PageCallsWhileARunsDialogIsUpAreRefused) {
  auto c = On(p::UrlZone::kInternet);
  c->AppendFile(u"http://h/a", u"a", int64_t{1});
  std::vector<int32_t> during;
  fakes.dialogs->duringRun = [&] {
    Variant out;
    during.push_back(c->Invoke(dispid::kSetFolder, InvokeKind::kPut, {Variant::String(u"shop")}, &out));
    during.push_back(c->Invoke(dispid::kGetCount, InvokeKind::kGet, {}, &out));
    during.push_back(c->Invoke(dispid::kStartDownload, InvokeKind::kMethod, {}, &out));
  };
  Variant out;
  EXPECT_EQ(c->Invoke(dispid::kStartDownload, InvokeKind::kMethod, {}, &out), kSOk);
  EXPECT_EQ(during, (std::vector<int32_t>{kCallRejected, kCallRejected, kCallRejected}));
  EXPECT_EQ(fakes.dialogs->listRuns, 1);
  EXPECT_EQ(c->get_SetFolder(), u"C:\\Users\\u\\Downloads");
  // Once it is down, the page is heard again.
  fakes.dialogs->duringRun = nullptr;
  EXPECT_EQ(c->Invoke(dispid::kGetCount, InvokeKind::kGet, {}, &out), kSOk);
}

TEST_F(GuardedMembers, AnUntrustedPageSeesAMachineWithoutAddresses) {
  fakes.hostInfo->ipv4 = {0x0100007F, 0x0A00000A};
  fakes.hostInfo->adapters = {p::HardwareAddress{0xAB, 1, 2, 3, 4, 5}};
  auto trusted = On(p::UrlZone::kLocalMachine);
  EXPECT_GT(trusted->GetIPCount(), 0u);
  EXPECT_FALSE(trusted->GetIP(0).empty());
  EXPECT_EQ(trusted->GetMACCount(), 1);
  EXPECT_TRUE(trusted->GetMAC(0));

  auto page = On(p::UrlZone::kInternet);
  EXPECT_EQ(page->GetIPCount(), 0u);
  EXPECT_EQ(page->GetIP(0), u"");
  EXPECT_EQ(page->GetMACCount(), 0);
  EXPECT_FALSE(page->GetMAC(0));
  for (std::u16string_view member : {u"GetIPCount", u"GetIP", u"GetMACCount", u"GetMAC"}) EXPECT_TRUE(Refused(member));
}

}  // namespace
}  // namespace vard
