#include "tools/win32/kt5container/ParamBag.h"

namespace vard::container {

ParamBag::~ParamBag() {
  for (auto& [name, v] : values_) VariantClear(&v);
}

void ParamBag::SetText(const std::wstring& name, const std::wstring& value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  Write(name.c_str(), &v);
  VariantClear(&v);
}

const VARIANT* ParamBag::Value(const std::wstring& name) const {
  auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

STDMETHODIMP ParamBag::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IPropertyBag) return E_NOINTERFACE;
  *ppv = static_cast<IPropertyBag*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ParamBag::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) ParamBag::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP ParamBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (!name || !value) return E_POINTER;
  auto it = values_.find(name);
  if (it == values_.end()) return E_INVALIDARG;
  // The caller may ask for a type; VT_EMPTY takes the stored one.
  const VARTYPE wanted = V_VT(value);
  VariantClear(value);
  if (wanted == VT_EMPTY) return VariantCopy(value, &it->second);
  return VariantChangeType(value, &it->second, 0, wanted);
}

STDMETHODIMP ParamBag::Write(LPCOLESTR name, VARIANT* value) {
  if (!name || !value) return E_POINTER;
  VARIANT& slot = values_[name];
  VariantClear(&slot);
  return VariantCopy(&slot, value);
}

}  // namespace vard::container
