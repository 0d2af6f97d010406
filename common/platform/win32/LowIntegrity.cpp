#include "common/platform/win32/LowIntegrity.h"

#include <sddl.h>

namespace vard::platform::win32 {

LowIntegrityAttributes::LowIntegrityAttributes() {
  if (!::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"S:(ML;;NW;;;LW)", SDDL_REVISION_1,
                                                              &fromSddl_, nullptr))
    return;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL sacl = nullptr;
  if (!::GetSecurityDescriptorSacl(fromSddl_, &present, &sacl, &defaulted)) return;
  if (!::SetSecurityDescriptorSacl(&descriptor_, TRUE, sacl, FALSE)) return;
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  ok_ = true;
}

LowIntegrityAttributes::~LowIntegrityAttributes() {
  if (fromSddl_) ::LocalFree(fromSddl_);
}

}  // namespace vard::platform::win32
