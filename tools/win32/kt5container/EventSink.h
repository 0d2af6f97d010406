#pragma once
// A sink of the control's events: every event reaches `onEvent` with its
// DISPID and arguments (first to last), on the control's thread.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <vector>

namespace vard::container {

struct ReceivedEvent {
  DISPID id = 0;
  std::vector<VARIANT> args;  // owned copies
};

class EventSink final : public IDispatch {
 public:
  // `events` is the interface the sink answers for besides IDispatch.
  EventSink(REFIID events, std::function<void(const ReceivedEvent&)> onEvent);

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excep, UINT* argErr) override;

 private:
  LONG refs_ = 1;
  IID events_;
  std::function<void(const ReceivedEvent&)> onEvent_;
};

// Connects `sink` to the control's connection point for `events`; the
// cookie, 0 when that failed.
DWORD ConnectEvents(IUnknown* control, REFIID events, IDispatch* sink);
void DisconnectEvents(IUnknown* control, REFIID events, DWORD cookie);

}  // namespace vard::container
