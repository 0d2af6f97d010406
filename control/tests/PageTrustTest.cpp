// How far a page is trusted, and what the guarded members do for a page
// that is not.
#include <gtest/gtest.h>

#include <map>

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

  auto page = On(p::UrlZone::kInternet);
  page->put_SetFolder(u"C:\\Users\\u\\AppData\\Roaming");
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Docs");
  EXPECT_TRUE(Refused(u"SetFolder"));
  page->put_SetFolder(u"shop");
  EXPECT_EQ(page->get_SetFolder(), u"C:\\Docs\\shop");
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

TEST_F(GuardedMembers, FoldersSetBeforeThePageWasKnownGoWhenItIsNotTrusted) {
  fakes.folders->initial = u"C:\\Docs";
  CKT5Ctrl c(fakes.Wire());
  c.put_SetFolder(u"C:\\Startup");
  c.put_SetTempFolder(u"C:\\Tmp");
  fakes.zones->zone = p::UrlZone::kInternet;
  c.SetPageUrl(u"http://page.test/");
  EXPECT_EQ(c.get_SetFolder(), u"C:\\Docs");
  EXPECT_EQ(c.get_SetTempFolder(), u"");
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
    EXPECT_TRUE(fakes.dialogs->stateDuringRun.pageTrusted);
    EXPECT_EQ(c->Dialog().pageTrusted, trusted);
  }
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
