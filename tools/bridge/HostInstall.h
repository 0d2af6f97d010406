#pragma once
// Where browsers find the bridge: the host manifest (the program's path and
// the one extension allowed to start it) and, on Windows, the per-user keys
// of Chrome, Chromium and Edge that name the manifest.
#include <string>
#include <string_view>
#include <vector>

namespace vard::bridge {

inline constexpr char kHostName[] = "com.vardel.kt5bridge";
// The extension's ID follows from the public key in its manifest; Firefox
// knows it by its add-on ID instead.
inline constexpr char kExtensionId[] = "kclbnimnakbiaaknaaihdfmdkphdbkbg";
inline constexpr char kFirefoxAddonId[] = "vardkt5-bridge@vardel.example";

// Whether the browser started the host for our extension, from the
// arguments it passes (after the program's name): Chromium's first is the
// caller's origin ("chrome-extension://<id>/", then on Windows its window);
// Firefox's are the manifest's path and the add-on ID. Nothing else, no
// arguments included, is a caller the host serves.
bool CalledByOurExtension(const std::vector<std::string_view>& args);

enum class BrowserFamily { kChromium, kFirefox };

// The manifest's JSON text for the host program at `programPath` (the
// system's own path form).
std::string HostManifest(const std::u16string& programPath, BrowserFamily family = BrowserFamily::kChromium);

// The per-user keys whose default value names the manifest.
inline constexpr const char16_t* kBrowserKeys[] = {
    u"Software\\Google\\Chrome\\NativeMessagingHosts\\com.vardel.kt5bridge",
    u"Software\\Chromium\\NativeMessagingHosts\\com.vardel.kt5bridge",
    u"Software\\Microsoft\\Edge\\NativeMessagingHosts\\com.vardel.kt5bridge",
};

inline constexpr const char16_t* kFirefoxKey = u"Software\\Mozilla\\NativeMessagingHosts\\com.vardel.kt5bridge";

// Writes the manifests beside the program and names them under every key
// of kBrowserKeys and under kFirefoxKey; false with `error` set when a step
// failed.
bool InstallForCurrentUser(const std::u16string& programPath, std::string* error);

}  // namespace vard::bridge
