#pragma once
// A property bag over the PARAM elements of an OBJECT tag: every value is
// text, as a page gives it. Writes are kept, so a saved control can be read
// back.
#include <windows.h>
#include <ocidl.h>

#include <map>
#include <string>

namespace vard::container {

class ParamBag final : public IPropertyBag {
 public:
  ParamBag() = default;
  ~ParamBag();

  void SetText(const std::wstring& name, const std::wstring& value);
  // The value a save wrote (or a PARAM holds); nullptr when none.
  const VARIANT* Value(const std::wstring& name) const;
  size_t Count() const { return values_.size(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override;

 private:
  LONG refs_ = 1;
  std::map<std::wstring, VARIANT> values_;
};

}  // namespace vard::container
