#include "tools/win32/kt5container/ControlSite.h"

#include <urlmon.h>

namespace vard::container {

ControlSite::ControlSite(HWND host, std::wstring pageUrl) : host_(host), pageUrl_(std::move(pageUrl)) {}

STDMETHODIMP ControlSite::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IOleClientSite) *ppv = static_cast<IOleClientSite*>(this);
  else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) *ppv = static_cast<IOleInPlaceSite*>(this);
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ControlSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) ControlSite::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP ControlSite::GetMoniker(DWORD, DWORD which, IMoniker** mk) {
  if (!mk) return E_POINTER;
  *mk = nullptr;
  if (which != OLEWHICHMK_CONTAINER || pageUrl_.empty()) return E_FAIL;
  return CreateURLMonikerEx(nullptr, pageUrl_.c_str(), mk, URL_MK_UNIFORM);
}

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = host_;
  return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceActivate() {
  inPlace_ = true;
  return S_OK;
}

STDMETHODIMP ControlSite::OnInPlaceDeactivate() {
  inPlace_ = false;
  return S_OK;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                           LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame) *frame = nullptr;
  if (doc) *doc = nullptr;
  RECT client = {};
  GetClientRect(host_, &client);
  if (pos) *pos = client;
  if (clip) *clip = client;
  if (info) {
    info->fMDIApp = FALSE;
    info->hwndFrame = host_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
  }
  return S_OK;
}

}  // namespace vard::container
