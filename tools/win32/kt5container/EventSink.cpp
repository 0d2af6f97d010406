#include "tools/win32/kt5container/EventSink.h"

#include <ocidl.h>

namespace vard::container {

EventSink::EventSink(REFIID events, std::function<void(const ReceivedEvent&)> onEvent)
    : events_(events), onEvent_(std::move(onEvent)) {}

STDMETHODIMP EventSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDispatch && riid != events_) return E_NOINTERFACE;
  *ppv = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) EventSink::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) EventSink::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP EventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  ReceivedEvent e;
  e.id = id;
  const UINT count = params ? params->cArgs : 0;
  // DISPPARAMS hold the arguments last to first.
  for (UINT i = count; i > 0; --i) {
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, &params->rgvarg[i - 1]);
    e.args.push_back(copy);
  }
  if (onEvent_) onEvent_(e);
  for (VARIANT& v : e.args) VariantClear(&v);
  return S_OK;
}

DWORD ConnectEvents(IUnknown* control, REFIID events, IDispatch* sink) {
  IConnectionPointContainer* container = nullptr;
  if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) return 0;
  DWORD cookie = 0;
  IConnectionPoint* point = nullptr;
  if (SUCCEEDED(container->FindConnectionPoint(events, &point))) {
    if (FAILED(point->Advise(sink, &cookie))) cookie = 0;
    point->Release();
  }
  container->Release();
  return cookie;
}

void DisconnectEvents(IUnknown* control, REFIID events, DWORD cookie) {
  IConnectionPointContainer* container = nullptr;
  if (!cookie || FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
    return;
  IConnectionPoint* point = nullptr;
  if (SUCCEEDED(container->FindConnectionPoint(events, &point))) {
    point->Unadvise(cookie);
    point->Release();
  }
  container->Release();
}

}  // namespace vard::container
