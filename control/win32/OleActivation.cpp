// Hosting: the client site, in-place activation in the host's window (the
// control is always windowed), its extent and drawing, and the page's
// address learned from the site.
#include "KT5Ctrl_h.h"
#include "control/win32/ControlWindow.h"
#include "control/win32/KT5CtrlObject.h"
#include "control/win32/PageUrlFromSite.h"

namespace vard::com {
namespace {

// Recompose on resize, can't link inside, inside-out, activate when
// visible, set client site first.
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
static_assert(kMiscStatus == 0x20191);

// Default extent: 300 x 200 pixels at 96 dpi, in HIMETRIC.
constexpr LONG kDefaultCx = 7938, kDefaultCy = 5292;

template <typename T>
void ReleaseAndClear(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

void KT5CtrlObject::EnsurePageUrl() {
  if (!site_) return;
  // A page's URL may come late, and a new client site is another page: the
  // decision follows what the site tells now. A site that tells nothing
  // leaves the last page's decision.
  const std::u16string url = PageUrlFromSite(site_);
  if (url.empty() || url == ctrl_->PageUrl()) return;
  ctrl_->SetPageUrl(url);
}

// ---- IOleObject ----

STDMETHODIMP KT5CtrlObject::SetClientSite(IOleClientSite* site) {
  if (!site && site_ && ctrl_) ctrl_->PageGoingAway();
  if (site) site->AddRef();
  ReleaseAndClear(site_);
  site_ = site;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = site_;
  if (site_) site_->AddRef();
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP KT5CtrlObject::Close(DWORD) {
  if (ctrl_) ctrl_->PageGoingAway();
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP KT5CtrlObject::GetMoniker(DWORD, DWORD, IMoniker** mk) {
  if (mk) *mk = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP KT5CtrlObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP KT5CtrlObject::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP KT5CtrlObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  if (site && site != site_) SetClientSite(site);
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return ActivateInPlace(verb);
    case OLEIVERB_HIDE:
      if (window_ && window_->Handle()) ShowWindow(window_->Handle(), SW_HIDE);
      return S_OK;
    default: return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT KT5CtrlObject::ActivateInPlace(LONG verb) {
  if (!site_) return E_UNEXPECTED;
  if (!inPlaceSite_) {
    IOleInPlaceSite* ips = nullptr;
    if (FAILED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ips)))) return E_NOINTERFACE;
    if (ips->CanInPlaceActivate() != S_OK) {
      ips->Release();
      return E_FAIL;
    }
    inPlaceSite_ = ips;
    inPlaceSite_->OnInPlaceActivate();
  }
  if (!window_) {
    HWND parent = nullptr;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {sizeof info, FALSE, nullptr, nullptr, 0};
    if (FAILED(inPlaceSite_->GetWindow(&parent)) ||
        FAILED(inPlaceSite_->GetWindowContext(&frame, &doc, &pos, &clip, &info)))
      return E_FAIL;
    ReleaseAndClear(frame);
    ReleaseAndClear(doc);
    // The page's address is known before the window exists.
    EnsurePageUrl();
    window_ = std::make_unique<ControlWindow>(*ctrl_, windowHandle_.get());
    if (!window_->Create(parent, pos)) {
      window_.reset();
      return E_FAIL;
    }
    if (windowHandle_) windowHandle_->window = window_->Handle();
  }
  ShowWindow(window_->Handle(), SW_SHOW);
  if ((verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    SetFocus(window_->Handle());
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {sizeof info, FALSE, nullptr, nullptr, 0};
    if (SUCCEEDED(inPlaceSite_->GetWindowContext(&frame, &doc, &pos, &clip, &info))) {
      if (frame) frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
      if (doc) doc->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
    }
    ReleaseAndClear(frame);
    ReleaseAndClear(doc);
  }
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::EnumVerbs(IEnumOLEVERB** verbs) { return OleRegEnumVerbs(CLSID_KT5Ctrl, verbs); }
STDMETHODIMP KT5CtrlObject::Update() { return S_OK; }
STDMETHODIMP KT5CtrlObject::IsUpToDate() { return S_OK; }

STDMETHODIMP KT5CtrlObject::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP KT5CtrlObject::GetUserType(DWORD form, LPOLESTR* type) {
  return OleRegGetUserType(CLSID_KT5Ctrl, form, type);
}

STDMETHODIMP KT5CtrlObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return E_NOTIMPL;
  if (!size) return E_POINTER;
  extent_.cx = size->cx;
  extent_.cy = size->cy;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return E_NOTIMPL;
  if (!size) return E_POINTER;
  size->cx = extent_.cx ? extent_.cx : kDefaultCx;
  size->cy = extent_.cy ? extent_.cy : kDefaultCy;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::Advise(IAdviseSink* sink, DWORD* cookie) {
  if (!oleAdvise_ && FAILED(CreateOleAdviseHolder(&oleAdvise_))) return E_OUTOFMEMORY;
  return oleAdvise_->Advise(sink, cookie);
}

STDMETHODIMP KT5CtrlObject::Unadvise(DWORD cookie) {
  return oleAdvise_ ? oleAdvise_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP KT5CtrlObject::EnumAdvise(IEnumSTATDATA** e) {
  if (!e) return E_POINTER;
  *e = nullptr;
  return oleAdvise_ ? oleAdvise_->EnumAdvise(e) : S_OK;
}

STDMETHODIMP KT5CtrlObject::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ----

STDMETHODIMP KT5CtrlObject::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = window_ ? window_->Handle() : nullptr;
  return *hwnd ? S_OK : E_FAIL;
}

STDMETHODIMP KT5CtrlObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP KT5CtrlObject::InPlaceDeactivate() {
  UIDeactivate();
  if (windowHandle_) windowHandle_->window = nullptr;
  window_.reset();
  if (inPlaceSite_) {
    inPlaceSite_->OnInPlaceDeactivate();
    ReleaseAndClear(inPlaceSite_);
  }
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::SetObjectRects(LPCRECT pos, LPCRECT) {
  if (!pos) return E_POINTER;
  if (window_ && window_->Handle())
    MoveWindow(window_->Handle(), pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::ReactivateAndUndo() { return E_NOTIMPL; }
// Keys reach the list view directly. A dialog inside the control (the
// embedded download dialog) gets its own keys: Tab, Enter and Escape move
// between and press its buttons, which the host's loop would not do.
STDMETHODIMP KT5CtrlObject::TranslateAccelerator(LPMSG msg) {
  if (!msg || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !window_ || !window_->Handle())
    return S_FALSE;
  const HWND control = window_->Handle();
  for (HWND w = msg->hwnd; w && w != control; w = GetParent(w)) {
    wchar_t cls[8] = {};
    GetClassNameW(w, cls, 8);
    if (lstrcmpW(cls, L"#32770") == 0 && IsChild(control, w)) return IsDialogMessageW(w, msg) ? S_OK : S_FALSE;
  }
  return S_FALSE;
}
STDMETHODIMP KT5CtrlObject::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP KT5CtrlObject::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP KT5CtrlObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP KT5CtrlObject::EnableModeless(BOOL) { return S_OK; }

// ---- IViewObject2 ----

STDMETHODIMP KT5CtrlObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                                 BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  // An active control paints its own window; otherwise a framed box.
  if (window_ && window_->Handle()) return S_OK;
  if (!dc || !bounds) return E_INVALIDARG;
  RECT r = {bounds->left, bounds->top, bounds->right, bounds->bottom};
  FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return S_FALSE;
}

STDMETHODIMP KT5CtrlObject::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP KT5CtrlObject::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP KT5CtrlObject::SetAdvise(DWORD, DWORD, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  ReleaseAndClear(viewAdvise_);
  viewAdvise_ = sink;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = DVASPECT_CONTENT;
  if (flags) *flags = 0;
  if (sink) {
    *sink = viewAdvise_;
    if (viewAdvise_) viewAdvise_->AddRef();
  }
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IOleControl ----

STDMETHODIMP KT5CtrlObject::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

STDMETHODIMP KT5CtrlObject::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP KT5CtrlObject::OnAmbientPropertyChange(DISPID) { return S_OK; }
STDMETHODIMP KT5CtrlObject::FreezeEvents(BOOL) { return S_OK; }

}  // namespace vard::com
