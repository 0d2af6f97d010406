#pragma once
// The control's module loaded by path, as COM loads it, and objects made by
// its class factory, without registration.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "KT5Ctrl_h.h"

namespace vard::com::testing {

std::wstring ModulePath();
// A new control object's IDispatch, from the module's class factory.
IDispatch* NewControl();
// `args` first to last; DISPATCH_PROPERTYPUT passes its value as the named
// put argument.
HRESULT Call(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result = nullptr);

VARIANT Text(const wchar_t* s);
VARIANT Int(LONG v);
VARIANT Double(double v);
VARIANT Missing();
std::wstring GetText(IDispatch* d, DISPID id, std::vector<VARIANT> args = {});
LONG GetInt(IDispatch* d, DISPID id);
void ClearAll(std::vector<VARIANT>& values);

// While it lives, every dialog box this thread shows is closed with Cancel
// once it is up (a modal call then returns as if the user cancelled).
class DialogCanceller {
 public:
  DialogCanceller();
  ~DialogCanceller();
  int Closed() const;

 private:
  UINT_PTR timer_;
};

template <typename T>
T* Query(IUnknown* object, REFIID iid) {
  T* p = nullptr;
  if (!object || FAILED(object->QueryInterface(iid, reinterpret_cast<void**>(&p)))) return nullptr;
  return p;
}

}  // namespace vard::com::testing
