#pragma once
// BSTR and UTF-16 text: the control's strings are std::u16string, COM's are
// BSTR; both hold UTF-16 units.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace vard::com {

inline const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string FromWide(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}

// A BSTR may hold NULs and is NULL for the empty string.
std::u16string FromBstr(BSTR s);
// A new BSTR the caller owns.
BSTR ToBstr(const std::u16string& s);

}  // namespace vard::com
