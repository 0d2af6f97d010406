#include "common/platform/PublicSuffix.h"

#include <dlfcn.h>

#include "common/platform/posix/PublicSuffixList.h"
#include "common/text/Utf.h"

namespace vard::platform {

namespace posix {

const PublicSuffixList& PublicSuffixList::Get() {
  static const PublicSuffixList loaded = [] {
    PublicSuffixList l;
    void* library = ::dlopen("libpsl.so.5", RTLD_NOW | RTLD_LOCAL);
    if (!library) return l;
    const auto latest = reinterpret_cast<const psl_ctx_st* (*)(const char*)>(::dlsym(library, "psl_latest"));
    l.isPublicSuffix2 = reinterpret_cast<decltype(l.isPublicSuffix2)>(::dlsym(library, "psl_is_public_suffix2"));
    l.cookieDomainAcceptable =
        reinterpret_cast<decltype(l.cookieDomainAcceptable)>(::dlsym(library, "psl_is_cookie_domain_acceptable"));
    if (latest) l.list = latest(nullptr);
    return l;
  }();
  return loaded;
}

}  // namespace posix

bool IsPublicSuffix(std::u16string_view domain) {
  const auto& psl = posix::PublicSuffixList::Get();
  if (!psl.list || !psl.isPublicSuffix2) return KnownSecondLevelSuffix(domain);
  // Listed rules only (PSL_TYPE_ANY | PSL_TYPE_NO_STAR_RULE): an unlisted
  // name such as "localhost" is a host, not a suffix.
  constexpr int kListedRulesOnly = 1 | 2 | 4;
  return psl.isPublicSuffix2(psl.list, Utf16ToUtf8(domain).c_str(), kListedRulesOnly) == 1;
}

}  // namespace vard::platform
