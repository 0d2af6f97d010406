#include "control/win32/ComVariant.h"

#include <cmath>

#include "control/win32/Bstr.h"

namespace vard::com {
namespace {

// A floating point value as the automation layer rounds it to an integer;
// nothing when it does not fit 64 bits.
HRESULT FromDouble(double d, Variant* out) {
  if (!std::isfinite(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0) return DISP_E_OVERFLOW;
  *out = Variant::I8(std::llround(d));
  return S_OK;
}

}  // namespace

HRESULT FromComVariant(const VARIANT& in, Variant* out) {
  *out = Variant();
  VARIANT v;
  VariantInit(&v);
  // By-reference values (VBScript passes variables so) are read through.
  if (FAILED(VariantCopyInd(&v, const_cast<VARIANT*>(&in)))) return DISP_E_TYPEMISMATCH;
  HRESULT hr = S_OK;
  switch (V_VT(&v)) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_ERROR:
      if (V_ERROR(&v) != DISP_E_PARAMNOTFOUND) hr = DISP_E_TYPEMISMATCH;
      break;
    case VT_BOOL: *out = Variant::Bool(V_BOOL(&v)); break;
    case VT_I1: *out = Variant::I4(V_I1(&v)); break;
    case VT_UI1: *out = Variant::I4(V_UI1(&v)); break;
    case VT_I2: *out = Variant::I2(V_I2(&v)); break;
    case VT_UI2: *out = Variant::I4(V_UI2(&v)); break;
    case VT_I4: *out = Variant::I4(V_I4(&v)); break;
    case VT_INT: *out = Variant::I4(V_INT(&v)); break;
    case VT_UI4: *out = Variant::UI4(V_UI4(&v)); break;
    case VT_UINT: *out = Variant::UI4(V_UINT(&v)); break;
    case VT_I8: *out = Variant::I8(V_I8(&v)); break;
    case VT_UI8:
      if (V_UI8(&v) > static_cast<ULONGLONG>(INT64_MAX)) hr = DISP_E_OVERFLOW;
      else *out = Variant::I8(static_cast<int64_t>(V_UI8(&v)));
      break;
    case VT_R4: hr = FromDouble(V_R4(&v), out); break;
    case VT_R8: hr = FromDouble(V_R8(&v), out); break;
    case VT_BSTR: *out = Variant::String(FromBstr(V_BSTR(&v))); break;
    default: {
      // Currency, decimals, dates: as a 64-bit number when they are one;
      // objects: their value, when they have one.
      VARIANT n;
      VariantInit(&n);
      if (V_VT(&v) != VT_DISPATCH && V_VT(&v) != VT_UNKNOWN && !(V_VT(&v) & VT_ARRAY) &&
          SUCCEEDED(VariantChangeType(&n, &v, 0, VT_I8))) {
        *out = Variant::I8(V_I8(&n));
      } else if (V_VT(&v) == VT_DISPATCH && SUCCEEDED(VariantChangeType(&n, &v, 0, VT_BSTR))) {
        *out = Variant::String(FromBstr(V_BSTR(&n)));
      } else {
        hr = DISP_E_TYPEMISMATCH;
      }
      VariantClear(&n);
    }
  }
  VariantClear(&v);
  return hr;
}

HRESULT ToComVariant(const Variant& in, VARIANT* out) {
  VariantClear(out);
  switch (in.type) {
    case Variant::Type::kEmpty: return S_OK;
    case Variant::Type::kBool: V_VT(out) = VT_BOOL; V_BOOL(out) = static_cast<VARIANT_BOOL>(in.number); return S_OK;
    case Variant::Type::kI2: V_VT(out) = VT_I2; V_I2(out) = static_cast<SHORT>(in.number); return S_OK;
    case Variant::Type::kI4: V_VT(out) = VT_I4; V_I4(out) = static_cast<LONG>(in.number); return S_OK;
    case Variant::Type::kUI4: V_VT(out) = VT_UI4; V_UI4(out) = static_cast<ULONG>(in.number); return S_OK;
    case Variant::Type::kI8: V_VT(out) = VT_I8; V_I8(out) = in.number; return S_OK;
    case Variant::Type::kString:
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = ToBstr(in.text);
      return V_BSTR(out) || in.text.empty() ? S_OK : E_OUTOFMEMORY;
    case Variant::Type::kArrayI4: {
      // A script reads a list of numbers as an array of VARIANTs, lower
      // bound 0.
      SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(in.array.size()));
      if (!array) return E_OUTOFMEMORY;
      for (LONG i = 0; i < static_cast<LONG>(in.array.size()); ++i) {
        VARIANT e;
        VariantInit(&e);
        V_VT(&e) = VT_I4;
        V_I4(&e) = in.array[static_cast<size_t>(i)];
        SafeArrayPutElement(array, &i, &e);
      }
      V_VT(out) = VT_ARRAY | VT_VARIANT;
      V_ARRAY(out) = array;
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

}  // namespace vard::com
