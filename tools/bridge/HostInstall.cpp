#include "tools/bridge/HostInstall.h"

#include "common/platform/FileSystem.h"
#include "common/platform/Registry.h"
#include "common/text/Utf.h"
#include "tools/bridge/Json.h"

namespace vard::bridge {

std::string HostManifest(const std::u16string& programPath) {
  Json m = Json::Object();
  m.Set("name", Json::String(kHostName))
      .Set("description", Json::String("vardel download control for web pages"))
      .Set("path", Json::String(Utf16ToUtf8(programPath)))
      .Set("type", Json::String("stdio"))
      .Set("allowed_origins",
           Json::Array({Json::String(std::string("chrome-extension://") + kExtensionId + "/")}));
  return WriteJson(m) + "\n";
}

bool InstallForCurrentUser(const std::u16string& programPath, std::string* error) {
  const auto slash = programPath.find_last_of(u"\\/");
  const std::u16string folder = slash == std::u16string::npos ? u"." : programPath.substr(0, slash);
  const std::u16string manifestPath = folder + u"\\" + AsciiToUtf16(kHostName) + u".json";
  const std::string text = HostManifest(programPath);
  platform::File file = platform::File::Open(manifestPath, platform::access::kWrite, 0,
                                             platform::Disposition::kCreateAlways);
  uint32_t wrote = 0;
  if (!file.IsOpen() || !file.Write(text.data(), static_cast<uint32_t>(text.size()), &wrote) ||
      wrote != text.size() || !file.Close()) {
    if (error) *error = "cannot write " + Utf16ToUtf8(manifestPath);
    return false;
  }
  for (const char16_t* key : kBrowserKeys) {
    if (!platform::SystemRegistry().WriteString(platform::RegistryRoot::kCurrentUser, key, u"", manifestPath)) {
      if (error) *error = "cannot write HKCU\\" + Utf16ToUtf8(key);
      return false;
    }
  }
  return true;
}

}  // namespace vard::bridge
