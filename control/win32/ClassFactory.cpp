#include "control/win32/ClassFactory.h"

#include "control/win32/KT5CtrlObject.h"
#include "control/win32/ModuleState.h"
#include "control/win32/WindowsComposition.h"

namespace vard::com {

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  auto window = std::make_shared<ControlWindowHandle>();
  KT5CtrlObject* object = KT5CtrlObject::Create(ComposeWindowsControlServices(window), window);
  if (!object) return E_FAIL;
  const HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  vard::com::LockServer(lock != FALSE);
  return S_OK;
}

}  // namespace vard::com
