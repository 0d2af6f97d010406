#pragma once
// libpsl, as libcurl links it (no development files needed), loaded once
// when first asked. Null members when the library is missing.
struct psl_ctx_st;

namespace vard::platform::posix {

struct PublicSuffixList {
  const psl_ctx_st* list = nullptr;
  int (*isPublicSuffix2)(const psl_ctx_st*, const char*, int) = nullptr;
  int (*cookieDomainAcceptable)(const psl_ctx_st*, const char*, const char*) = nullptr;

  static const PublicSuffixList& Get();
};

}  // namespace vard::platform::posix
