#include "common/platform/UrlZone.h"

#include <windows.h>
#include <urlmon.h>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

UrlZone ZoneOfUrl(const std::u16string& url) {
  // The manager is a COM object: callers on threads without COM get it in
  // a room of their own for the call.
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  UrlZone zone = UrlZone::kInternet;
  IInternetSecurityManager* manager = nullptr;
  if (SUCCEEDED(::CoInternetCreateSecurityManager(nullptr, &manager, 0)) && manager) {
    DWORD z = URLZONE_INTERNET;
    // A page saved from the Internet keeps the zone its mark names.
    if (SUCCEEDED(manager->MapUrlToZone(win32::W(url), &z, MUTZ_REQUIRESAVEDFILECHECK)) && z <= URLZONE_UNTRUSTED)
      zone = static_cast<UrlZone>(z);
    manager->Release();
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  return zone;
}

}  // namespace vard::platform
