#pragma once
// One control hosted the way a page hosts it: created by its ProgID, given
// a client site first, loaded from PARAM values, activated in place in a
// window, driven through IDispatch and heard through an event sink.
#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/win32/kt5container/ControlSite.h"
#include "tools/win32/kt5container/EventSink.h"
#include "tools/win32/kt5container/ParamBag.h"

namespace vard::container {

class HostedControl {
 public:
  // `host` is the window the control fills once activated.
  explicit HostedControl(HWND host);
  ~HostedControl();
  HostedControl(const HostedControl&) = delete;
  HostedControl& operator=(const HostedControl&) = delete;

  // Creates the object and gives it the site; events go to `onEvent`.
  HRESULT Create(const std::wstring& progId, std::function<void(const ReceivedEvent&)> onEvent);
  void SetPageUrl(const std::wstring& url) { site_->SetPageUrl(url); }
  HRESULT LoadParams(ParamBag& bag);
  HRESULT Activate();
  // Puts the control's window over the host's client area again.
  void FitToHost();
  void Close();

  IDispatch* Dispatch() const { return dispatch_; }
  IUnknown* Object() const { return dispatch_; }
  const IID& EventsIid() const { return eventsIid_; }
  HRESULT IdOfName(const std::wstring& name, DISPID* id) const;
  // `args` first to last; `result` may be null.
  HRESULT Invoke(DISPID id, WORD flags, const std::vector<VARIANT>& args, VARIANT* result) const;

  // Offers a key to the active control first, as a browser does; true when
  // the control took it.
  bool TranslateAccelerator(MSG* msg) const;

  HWND Window() const;
  HWND List() const;
  HWND StatusBar() const;

 private:
  HWND host_;
  ControlSite* site_;
  IDispatch* dispatch_ = nullptr;
  EventSink* sink_ = nullptr;
  DWORD cookie_ = 0;
  IID eventsIid_ = IID_NULL;
};

}  // namespace vard::container
