#pragma once
// Where browsers find the bridge: the host manifest (the program's path and
// the one extension allowed to start it) and, on Windows, the per-user keys
// of Chrome, Chromium and Edge that name the manifest.
#include <string>

namespace vard::bridge {

inline constexpr char kHostName[] = "com.vardel.kt5bridge";
// The extension's ID follows from the public key in its manifest.
inline constexpr char kExtensionId[] = "kclbnimnakbiaaknaaihdfmdkphdbkbg";

// The manifest's JSON text for the host program at `programPath` (the
// system's own path form).
std::string HostManifest(const std::u16string& programPath);

// The per-user keys whose default value names the manifest.
inline constexpr const char16_t* kBrowserKeys[] = {
    u"Software\\Google\\Chrome\\NativeMessagingHosts\\com.vardel.kt5bridge",
    u"Software\\Chromium\\NativeMessagingHosts\\com.vardel.kt5bridge",
    u"Software\\Microsoft\\Edge\\NativeMessagingHosts\\com.vardel.kt5bridge",
};

// Writes the manifest beside the program and names it under every key of
// kBrowserKeys; false with `error` set when a step failed.
bool InstallForCurrentUser(const std::u16string& programPath, std::string* error);

}  // namespace vard::bridge
