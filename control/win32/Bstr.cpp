#include "control/win32/Bstr.h"

namespace vard::com {

std::u16string FromBstr(BSTR s) {
  if (!s) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(s), SysStringLen(s));
}

BSTR ToBstr(const std::u16string& s) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()));
}

}  // namespace vard::com
