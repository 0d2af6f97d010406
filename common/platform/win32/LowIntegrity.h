#pragma once
// Win32 backends only: security attributes carrying the low mandatory label,
// so low-integrity processes may open the named objects we create (regions,
// instance mutexes). When any step fails, Get() is null: default security.
#include <windows.h>

namespace vard::platform::win32 {

class LowIntegrityAttributes {
 public:
  LowIntegrityAttributes();
  ~LowIntegrityAttributes();
  LowIntegrityAttributes(const LowIntegrityAttributes&) = delete;
  LowIntegrityAttributes& operator=(const LowIntegrityAttributes&) = delete;

  SECURITY_ATTRIBUTES* Get() { return ok_ ? &attributes_ : nullptr; }

 private:
  bool ok_ = false;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  PSECURITY_DESCRIPTOR fromSddl_ = nullptr;  // owns the SACL set on descriptor_
};

}  // namespace vard::platform::win32
