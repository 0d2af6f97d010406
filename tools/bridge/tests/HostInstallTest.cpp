#include "tools/bridge/HostInstall.h"

#include <gtest/gtest.h>

#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/platform/Registry.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"
#include "tools/bridge/Json.h"

namespace vard::bridge {
namespace {

std::optional<Json> ReadManifest(const std::u16string& path) {
  platform::File f = platform::File::Open(path, platform::access::kRead, platform::share::kRead,
                                          platform::Disposition::kOpenExisting);
  if (!f.IsOpen()) return std::nullopt;
  std::string text(static_cast<size_t>(f.Size()), '\0');
  uint32_t got = 0;
  f.Read(text.data(), static_cast<uint32_t>(text.size()), &got);
  return ParseJson(text, nullptr);
}

TEST(HostInstallTest, ManifestsBesideTheProgramAreNamedForEveryBrowser) {
  // Backslashes and a Korean name in the path: the manifest stays JSON
  // that gives the path back.
  platform::testing::TestFolder scratch;
  const std::u16string folder = scratch / u"프로그램 [bridge]";
  ASSERT_TRUE(platform::MakeDirectory(folder));
  const auto savedConfig = platform::GetEnv("XDG_CONFIG_HOME");
  // POSIX: the registry stand-in below a scratch configuration folder.
  std::string config = Utf16ToUtf8(scratch / u"config");
  for (char& c : config)
    if (c == '\\') c = '/';
  platform::SetEnv("XDG_CONFIG_HOME", config.c_str());

  const std::u16string program = folder + u"\\vardkt5-bridge.exe";
  std::string error;
  ASSERT_TRUE(InstallForCurrentUser(program, &error)) << error;

  const std::u16string chromium = folder + u"\\com.vardel.kt5bridge.json";
  const std::u16string firefox = folder + u"\\com.vardel.kt5bridge.firefox.json";
  for (const char16_t* key : kBrowserKeys)
    EXPECT_EQ(platform::SystemRegistry().ReadString(platform::RegistryRoot::kCurrentUser, key, u""), chromium);
  EXPECT_EQ(platform::SystemRegistry().ReadString(platform::RegistryRoot::kCurrentUser, kFirefoxKey, u""), firefox);

  const auto m = ReadManifest(chromium);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->Find("name")->AsString(), "com.vardel.kt5bridge");
  EXPECT_EQ(m->Find("path")->AsString(), Utf16ToUtf8(program));
  EXPECT_EQ(m->Find("type")->AsString(), "stdio");
  EXPECT_EQ(WriteJson(*m->Find("allowed_origins")), R"(["chrome-extension://kclbnimnakbiaaknaaihdfmdkphdbkbg/"])");
  const auto f = ReadManifest(firefox);
  ASSERT_TRUE(f);
  EXPECT_EQ(WriteJson(*f->Find("allowed_extensions")), R"(["vardkt5-bridge@vardel.example"])");
  EXPECT_FALSE(f->Find("allowed_origins"));

  for (const char16_t* key : kBrowserKeys)
    platform::SystemRegistry().DeleteKey(platform::RegistryRoot::kCurrentUser, key);
  platform::SystemRegistry().DeleteKey(platform::RegistryRoot::kCurrentUser, kFirefoxKey);
  platform::SetEnv("XDG_CONFIG_HOME", savedConfig ? savedConfig->c_str() : nullptr);
}

TEST(HostInstallTest, AFolderThatCannotBeWrittenFailsWithItsReason) {
  std::string error;
  EXPECT_FALSE(InstallForCurrentUser(platform::TempFolder() + u"no such folder\\x\\vardkt5-bridge.exe", &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

// The manifests name one extension, but another may still start the
// program: it checks the caller the browser names.
TEST(HostInstallTest, OnlyOurExtensionStartsTheHost) {
  using Args = std::vector<std::string_view>;
  const std::string ours = std::string("chrome-extension://") + kExtensionId + "/";
  const std::string longer = ours + "x", addonSpaced = std::string(kFirefoxAddonId) + " ";
  EXPECT_TRUE(CalledByOurExtension(Args{ours}));
  EXPECT_TRUE(CalledByOurExtension(Args{ours, "--parent-window=1234"}));  // Chrome on Windows
  EXPECT_TRUE(CalledByOurExtension(Args{"C:\\x\\com.vardel.kt5bridge.firefox.json", kFirefoxAddonId}));
  const Args refused[] = {
      {},
      {""},
      {"chrome-extension://abcdefghijklmnopabcdefghijklmnop/"},
      {std::string_view(ours).substr(0, ours.size() - 1)},  // spelt otherwise than the browser does
      {longer},
      {"CHROME-EXTENSION://KCLBNIMNAKBIAAKNAAIHDFMDKPHDBKBG/"},
      {"--parent-window=1234", ours},
      {kFirefoxAddonId},  // Firefox names the manifest first
      {"/m.json", "other@vardel.example"},
      {"/m.json", addonSpaced},
  };
  for (const Args& args : refused)
    EXPECT_FALSE(CalledByOurExtension(args)) << (args.empty() ? "(none)" : std::string(args[0]));
}

}  // namespace
}  // namespace vard::bridge
