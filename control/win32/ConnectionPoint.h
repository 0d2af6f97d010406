#pragma once
// The control's one connection point: page sinks of the event interface
// (or plain IDispatch sinks) receive the control's events by
// IDispatch::Invoke, synchronously on the control's thread.
#include <windows.h>
#include <ocidl.h>

#include <map>
#include <memory>
#include <vector>

#include "control/CKT5Ctrl.h"

namespace vard::com {

class EventConnectionPoint final : public IConnectionPoint {
 public:
  // `container` and `ctrl` belong to the control object, which disconnects
  // the point before it goes (a host may still hold the point then).
  EventConnectionPoint(IConnectionPointContainer& container, CKT5Ctrl& ctrl);

  // Drops every sink (the control is going away).
  void Disconnect();

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** e) override;

 private:
  class Sink;
  ~EventConnectionPoint();

  LONG refs_ = 1;
  IConnectionPointContainer* container_;
  CKT5Ctrl* ctrl_;
  std::map<DWORD, std::unique_ptr<Sink>> sinks_;
  // Sinks unadvised while an event may still be on its way to them.
  std::vector<std::unique_ptr<Sink>> retired_;
};

}  // namespace vard::com
