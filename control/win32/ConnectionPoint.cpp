#include "control/win32/ConnectionPoint.h"

#include <vector>

#include "KT5Ctrl_h.h"
#include "control/win32/ComVariant.h"
#include "control/win32/KT5CtrlObject.h"

namespace vard::com {

// One page sink as the control's portable event sink.
class EventConnectionPoint::Sink final : public IKT5CtrlEvents {
 public:
  explicit Sink(IDispatch* target) : target_(target) {}
  ~Sink() override { target_->Release(); }

  void Invoke(int32_t id, const std::vector<Variant>& args) override {
    // DISPPARAMS hold the arguments last to first.
    std::vector<VARIANT> values(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      VariantInit(&values[i]);
      ToComVariant(args[args.size() - 1 - i], &values[i]);
    }
    DISPPARAMS params = {values.empty() ? nullptr : values.data(), nullptr, static_cast<UINT>(values.size()), 0};
    // A sink going away while it runs must not take its interface with it.
    IDispatch* target = target_;
    target->AddRef();
    target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    target->Release();
    for (VARIANT& v : values) VariantClear(&v);
  }

 private:
  IDispatch* target_;
};

EventConnectionPoint::EventConnectionPoint(IConnectionPointContainer& container, CKT5Ctrl& ctrl)
    : container_(&container), ctrl_(&ctrl) {}

EventConnectionPoint::~EventConnectionPoint() = default;

void EventConnectionPoint::Disconnect() {
  for (auto& [cookie, sink] : sinks_) ctrl_->Unadvise(cookie);
  sinks_.clear();
  retired_.clear();
  container_ = nullptr;
  ctrl_ = nullptr;
}

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
  *ppv = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) EventConnectionPoint::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) EventConnectionPoint::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID__IKT5CtrlEvents;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = container_;
  if (!container_) return E_UNEXPECTED;
  container_->AddRef();
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  if (!ctrl_) return E_UNEXPECTED;
  IDispatch* target = nullptr;
  if (FAILED(sink->QueryInterface(DIID__IKT5CtrlEvents, reinterpret_cast<void**>(&target))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&target))))
    return CONNECT_E_CANNOTCONNECT;
  auto adapter = std::make_unique<Sink>(target);
  const DWORD id = ctrl_->Advise(adapter.get());
  sinks_[id] = std::move(adapter);
  *cookie = id;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
  auto it = sinks_.find(cookie);
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  if (ctrl_) ctrl_->Unadvise(cookie);
  retired_.push_back(std::move(it->second));
  sinks_.erase(it);
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** e) {
  if (e) *e = nullptr;
  return E_NOTIMPL;
}

// ---- the container side, on the control object ----

STDMETHODIMP KT5CtrlObject::EnumConnectionPoints(IEnumConnectionPoints** e) {
  if (e) *e = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP KT5CtrlObject::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (riid != DIID__IKT5CtrlEvents) return CONNECT_E_NOCONNECTION;
  events_->AddRef();
  *point = events_;
  return S_OK;
}

}  // namespace vard::com
