#include "tools/win32/kt5container/HostedControl.h"

#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

namespace vard::container {
namespace {

constexpr int kListViewId = 50001;

template <typename T>
T* Query(IUnknown* object, REFIID iid) {
  T* p = nullptr;
  if (!object || FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&p)))) return nullptr;
  return p;
}

}  // namespace

HostedControl::HostedControl(HWND host) : host_(host), site_(new ControlSite(host, L"")) {}

HostedControl::~HostedControl() {
  Close();
  site_->Release();
}

HRESULT HostedControl::Create(const std::wstring& progId, std::function<void(const ReceivedEvent&)> onEvent) {
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&dispatch_));
  if (FAILED(hr)) return hr;
  if (auto* ole = Query<IOleObject>(dispatch_, IID_IOleObject)) {
    // The control asks for its client site first.
    ole->SetClientSite(site_);
    ole->Release();
  }
  if (auto* info = Query<IProvideClassInfo2>(dispatch_, IID_IProvideClassInfo2)) {
    info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &eventsIid_);
    info->Release();
  }
  sink_ = new EventSink(eventsIid_, std::move(onEvent));
  cookie_ = ConnectEvents(dispatch_, eventsIid_, sink_);
  return cookie_ ? S_OK : CONNECT_E_CANNOTCONNECT;
}

HRESULT HostedControl::LoadParams(ParamBag& bag) {
  auto* persist = Query<IPersistPropertyBag>(dispatch_, IID_IPersistPropertyBag);
  if (!persist) return E_NOINTERFACE;
  const HRESULT hr = persist->Load(&bag, nullptr);
  persist->Release();
  return hr;
}

HRESULT HostedControl::Activate() {
  auto* ole = Query<IOleObject>(dispatch_, IID_IOleObject);
  if (!ole) return E_NOINTERFACE;
  RECT r = {};
  GetClientRect(host_, &r);
  const HRESULT hr = ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, host_, &r);
  ole->Release();
  return hr;
}

void HostedControl::FitToHost() {
  auto* object = Query<IOleInPlaceObject>(dispatch_, IID_IOleInPlaceObject);
  if (!object) return;
  RECT r = {};
  GetClientRect(host_, &r);
  object->SetObjectRects(&r, &r);
  object->Release();
}

void HostedControl::Close() {
  if (!dispatch_) return;
  DisconnectEvents(dispatch_, eventsIid_, cookie_);
  cookie_ = 0;
  if (auto* ole = Query<IOleObject>(dispatch_, IID_IOleObject)) {
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    ole->Release();
  }
  if (sink_) sink_->Release();
  sink_ = nullptr;
  dispatch_->Release();
  dispatch_ = nullptr;
}

HRESULT HostedControl::IdOfName(const std::wstring& name, DISPID* id) const {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  return dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT HostedControl::Invoke(DISPID id, WORD flags, const std::vector<VARIANT>& args, VARIANT* result) const {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  EXCEPINFO excep = {};
  UINT argErr = 0;
  return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argErr);
}

bool HostedControl::TranslateAccelerator(MSG* msg) const {
  auto* active = Query<IOleInPlaceActiveObject>(dispatch_, IID_IOleInPlaceActiveObject);
  if (!active) return false;
  const bool taken = active->TranslateAccelerator(msg) == S_OK;
  active->Release();
  return taken;
}

HWND HostedControl::Window() const {
  auto* window = Query<IOleWindow>(dispatch_, IID_IOleWindow);
  if (!window) return nullptr;
  HWND hwnd = nullptr;
  window->GetWindow(&hwnd);
  window->Release();
  return hwnd;
}

HWND HostedControl::List() const { return GetDlgItem(Window(), kListViewId); }

HWND HostedControl::StatusBar() const { return FindWindowExW(Window(), nullptr, STATUSCLASSNAMEW, nullptr); }

}  // namespace vard::container
