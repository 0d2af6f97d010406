#pragma once
// The class object of the control: makes control objects for COM.
#include <windows.h>
#include <unknwn.h>

namespace vard::com {

class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  LONG refs_ = 1;
};

}  // namespace vard::com
