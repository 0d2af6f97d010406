#pragma once
// The address of the document that hosts the control, asked from the
// control's client site: the container's moniker, else the browser behind
// the site, else the container document's "URL" property.
#include <windows.h>
#include <ole2.h>

#include <string>

namespace vard::com {

// Empty when the host tells none.
std::u16string PageUrlFromSite(IOleClientSite* site);

}  // namespace vard::com
