#include "tools/bridge/HostInstall.h"

#include "common/platform/FileSystem.h"
#include "common/platform/Registry.h"
#include "common/text/Utf.h"
#include "tools/bridge/Json.h"

namespace vard::bridge {

bool CalledByOurExtension(const std::vector<std::string_view>& args) {
  if (args.empty()) return false;
  if (args[0] == std::string("chrome-extension://") + kExtensionId + "/") return true;
  return args.size() >= 2 && args[1] == kFirefoxAddonId;
}

std::string HostManifest(const std::u16string& programPath, BrowserFamily family) {
  Json m = Json::Object();
  m.Set("name", Json::String(kHostName))
      .Set("description", Json::String("vardel download control for web pages"))
      .Set("path", Json::String(Utf16ToUtf8(programPath)))
      .Set("type", Json::String("stdio"));
  if (family == BrowserFamily::kFirefox)
    m.Set("allowed_extensions", Json::Array({Json::String(kFirefoxAddonId)}));
  else
    m.Set("allowed_origins", Json::Array({Json::String(std::string("chrome-extension://") + kExtensionId + "/")}));
  return WriteJson(m) + "\n";
}

namespace {

bool WriteManifest(const std::u16string& path, const std::string& text, std::string* error) {
  platform::File file = platform::File::Open(path, platform::access::kWrite, 0, platform::Disposition::kCreateAlways);
  uint32_t wrote = 0;
  if (file.IsOpen() && file.Write(text.data(), static_cast<uint32_t>(text.size()), &wrote) && wrote == text.size() &&
      file.Close())
    return true;
  if (error) *error = "cannot write " + Utf16ToUtf8(path);
  return false;
}

bool NameManifest(const char16_t* key, const std::u16string& manifestPath, std::string* error) {
  if (platform::SystemRegistry().WriteString(platform::RegistryRoot::kCurrentUser, key, u"", manifestPath)) return true;
  if (error) *error = "cannot write HKCU\\" + Utf16ToUtf8(key);
  return false;
}

}  // namespace

bool InstallForCurrentUser(const std::u16string& programPath, std::string* error) {
  const auto slash = programPath.find_last_of(u"\\/");
  const std::u16string folder = slash == std::u16string::npos ? u"." : programPath.substr(0, slash);
  const std::u16string manifestPath = folder + u"\\" + AsciiToUtf16(kHostName) + u".json";
  const std::u16string firefoxPath = folder + u"\\" + AsciiToUtf16(kHostName) + u".firefox.json";
  if (!WriteManifest(manifestPath, HostManifest(programPath), error) ||
      !WriteManifest(firefoxPath, HostManifest(programPath, BrowserFamily::kFirefox), error))
    return false;
  for (const char16_t* key : kBrowserKeys)
    if (!NameManifest(key, manifestPath, error)) return false;
  return NameManifest(kFirefoxKey, firefoxPath, error);
}

}  // namespace vard::bridge
