#pragma once
// A GET that carries a page's or a hand-off's cookie as a header: the
// redirects are followed here (http and https only, at most 20 hops), so
// the cookie goes only to the host it was given for and never along a hop
// to another host or down from https to http, whatever the platform's own
// redirects would do.
#include <string>

#include "common/http/InternetHandles.h"

namespace vard {

// Opens `url` into `file` as CInternetFile::OpenUrl does, with "Cookie: "
// + `cookie` added to `headers` for every hop it may go to, the first URL
// taken for its page (PageCookieMayGo). An empty cookie: the platform
// follows the redirects. Throws CInternetException (kRedirectFailed for a
// loop or another scheme).
void OpenUrlWithPageCookie(CHttpFile& file, platform::InternetHandle session, const std::u16string& url,
                           const std::u16string& headers, const std::u16string& cookie, uint32_t flags);

}  // namespace vard
