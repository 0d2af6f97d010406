#pragma once
// VARIANT and the control's portable Variant: what a script passes becomes
// the value the control's dispatch table converts further; what a member
// returns becomes the VARIANT the script reads.
#include <windows.h>
#include <oleauto.h>

#include "control/Variant.h"

namespace vard::com {

// An omitted optional argument (VT_ERROR DISP_E_PARAMNOTFOUND), VT_EMPTY
// and VT_NULL give an empty Variant. Numbers of every width and floating
// point values (what JScript passes for big sizes) become integers; objects
// are asked for their value. DISP_E_TYPEMISMATCH for what has no value the
// control could take (arrays, objects without a value).
HRESULT FromComVariant(const VARIANT& in, Variant* out);

// `out` must be initialised; it is cleared first.
HRESULT ToComVariant(const Variant& in, VARIANT* out);

}  // namespace vard::com
