#include "control/win32/KT5CtrlObject.h"

#include "control/DispatchIds.h"
#include "control/win32/Bstr.h"
#include "control/win32/ConnectionPoint.h"
#include "control/win32/ControlWindow.h"
#include "control/win32/ModuleState.h"

namespace vard::com {
namespace {

constexpr DWORD kSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

}  // namespace

KT5CtrlObject* KT5CtrlObject::Create(ControlServices services, std::shared_ptr<ControlWindowHandle> window) {
  wchar_t path[MAX_PATH];
  if (!GetModuleFileNameW(Module(), path, MAX_PATH)) return nullptr;
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &lib))) return nullptr;
  ITypeInfo* info = nullptr;
  ITypeInfo* classInfo = nullptr;
  if (FAILED(lib->GetTypeInfoOfGuid(IID_IKT5Ctrl, &info)) || FAILED(lib->GetTypeInfoOfGuid(CLSID_KT5Ctrl, &classInfo))) {
    if (info) info->Release();
    lib->Release();
    return nullptr;
  }
  return new KT5CtrlObject(std::move(services), std::move(window), lib, info, classInfo);
}

KT5CtrlObject::KT5CtrlObject(ControlServices services, std::shared_ptr<ControlWindowHandle> window, ITypeLib* lib,
                             ITypeInfo* info, ITypeInfo* classInfo)
    : typeLib_(lib), typeInfo_(info), classInfo_(classInfo), ctrl_(std::make_unique<CKT5Ctrl>(std::move(services))),
      windowHandle_(std::move(window)) {
  events_ = new EventConnectionPoint(*this, *ctrl_);
  ObjectCreated();
}

KT5CtrlObject::~KT5CtrlObject() {
  InPlaceDeactivate();
  SetClientSite(nullptr);
  if (oleAdvise_) oleAdvise_->Release();
  if (viewAdvise_) viewAdvise_->Release();
  events_->Disconnect();
  events_->Release();
  ctrl_.reset();
  classInfo_->Release();
  typeInfo_->Release();
  typeLib_->Release();
  ObjectDestroyed();
}

// ---- IUnknown ----

STDMETHODIMP KT5CtrlObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKT5Ctrl) *ppv = static_cast<IKT5Ctrl*>(this);
  else if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2) *ppv = static_cast<IProvideClassInfo2*>(this);
  else if (riid == IID_IConnectionPointContainer) *ppv = static_cast<IConnectionPointContainer*>(this);
  else if (riid == IID_IPersistPropertyBag) *ppv = static_cast<IPersistPropertyBag*>(this);
  else if (riid == IID_IPersist || riid == IID_IPersistStreamInit) *ppv = static_cast<IPersistStreamInit*>(this);
  else if (riid == IID_IObjectSafety) *ppv = static_cast<IObjectSafety*>(this);
  else if (riid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
  else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) *ppv = static_cast<IOleInPlaceObject*>(this);
  else if (riid == IID_IOleInPlaceActiveObject) *ppv = static_cast<IOleInPlaceActiveObject*>(this);
  else if (riid == IID_IViewObject || riid == IID_IViewObject2) *ppv = static_cast<IViewObject2*>(this);
  else if (riid == IID_IOleControl) *ppv = static_cast<IOleControl*>(this);
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) KT5CtrlObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) KT5CtrlObject::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- IDispatch ----

STDMETHODIMP KT5CtrlObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  typeInfo_->AddRef();
  *info = typeInfo_;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  // Members by the control's own table; argument names by the type library.
  if (count > 1) return DispGetIDsOfNames(typeInfo_, names, count, ids);
  const dispid::Member* m = dispid::FindMember(FromWide(names[0]));
  ids[0] = m ? m->id : DISPID_UNKNOWN;
  return m ? S_OK : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP KT5CtrlObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excep, UINT* argErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!params) params = &none;
  if (TooManyArguments(id, flags, *params)) return DISP_E_BADPARAMCOUNT;
  // The type library converts argument types and checks for missing ones;
  // the vtable members take it from there.
  EXCEPINFO local = {};
  EXCEPINFO* info = excep ? excep : &local;
  HRESULT hr = DispInvoke(static_cast<IKT5Ctrl*>(this), typeInfo_, id, flags, params, result, info, argErr);
  // A member refusing the value of an optional argument is a type error of
  // the call, not an exception of the member.
  if (hr == DISP_E_EXCEPTION && (info->scode == DISP_E_TYPEMISMATCH || info->scode == DISP_E_OVERFLOW)) {
    hr = info->scode;
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    *info = EXCEPINFO{};
  }
  if (info == &local) {
    SysFreeString(local.bstrSource);
    SysFreeString(local.bstrDescription);
    SysFreeString(local.bstrHelpFile);
  }
  return hr;
}

bool KT5CtrlObject::TooManyArguments(DISPID id, WORD flags, const DISPPARAMS& params) const {
  ITypeInfo2* info = nullptr;
  if (FAILED(typeInfo_->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info)))) return false;
  UINT index = 0;
  const INVOKEKIND kind = (flags & DISPATCH_PROPERTYPUT) ? INVOKE_PROPERTYPUT
                          : (flags & DISPATCH_METHOD)    ? INVOKE_FUNC
                                                         : INVOKE_PROPERTYGET;
  HRESULT found = info->GetFuncIndexOfMemId(id, kind, &index);
  // A script's call of a read-only property asks for a method or a get.
  if (FAILED(found) && kind == INVOKE_FUNC && (flags & DISPATCH_PROPERTYGET))
    found = info->GetFuncIndexOfMemId(id, INVOKE_PROPERTYGET, &index);
  bool tooMany = false;
  FUNCDESC* f = nullptr;
  if (SUCCEEDED(found) && SUCCEEDED(info->GetFuncDesc(index, &f))) {
    UINT accepted = 0;
    for (SHORT i = 0; i < f->cParams; ++i)
      if (!(f->lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++accepted;
    tooMany = params.cArgs > accepted;
    info->ReleaseFuncDesc(f);
  }
  info->Release();
  return tooMany;
}

// ---- IProvideClassInfo2 ----

STDMETHODIMP KT5CtrlObject::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  classInfo_->AddRef();
  *info = classInfo_;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = DIID__IKT5CtrlEvents;
  return S_OK;
}

// ---- IObjectSafety ----

STDMETHODIMP KT5CtrlObject::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  IUnknown* probe = nullptr;
  if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
  probe->Release();
  *supported = kSafetyOptions;
  *enabled = safety_;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
  IUnknown* probe = nullptr;
  if (FAILED(QueryInterface(riid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
  probe->Release();
  if (mask & ~kSafetyOptions) return E_FAIL;
  safety_ = (safety_ & ~mask) | (enabled & mask);
  return S_OK;
}

}  // namespace vard::com
