#include "control/win32/tests/ComServerFixture.h"

namespace vard::com::testing {

std::wstring ModulePath() {
  const std::string path = VARD_KT5_DLL;
  return std::wstring(path.begin(), path.end());
}

IDispatch* NewControl() {
  static HMODULE module = LoadLibraryW(ModulePath().c_str());
  if (!module) return nullptr;
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  if (!get || FAILED(get(CLSID_KT5Ctrl, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
  IDispatch* d = nullptr;
  factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&d));
  factory->Release();
  return d;
}

HRESULT Call(IDispatch* d, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO excep = {};
  UINT argErr = 0;
  const HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argErr);
  ClearAll(args);
  return hr;
}

VARIANT Text(const wchar_t* s) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(s);
  return v;
}

VARIANT Int(LONG n) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = n;
  return v;
}

VARIANT Double(double d) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = d;
  return v;
}

VARIANT Missing() {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

std::wstring GetText(IDispatch* d, DISPID id, std::vector<VARIANT> args) {
  VARIANT r;
  VariantInit(&r);
  std::wstring text = L"<failed>";
  if (SUCCEEDED(Call(d, id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args), &r)) &&
      SUCCEEDED(VariantChangeType(&r, &r, 0, VT_BSTR)))
    text = V_BSTR(&r) ? V_BSTR(&r) : L"";
  VariantClear(&r);
  return text;
}

LONG GetInt(IDispatch* d, DISPID id) {
  VARIANT r;
  VariantInit(&r);
  LONG n = -12345;
  if (SUCCEEDED(Call(d, id, DISPATCH_PROPERTYGET, {}, &r)) && SUCCEEDED(VariantChangeType(&r, &r, 0, VT_I4)))
    n = V_I4(&r);
  VariantClear(&r);
  return n;
}

namespace {

int g_closed = 0;

BOOL CALLBACK CancelDialog(HWND hwnd, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (IsWindowVisible(hwnd) && std::wstring(name) == L"#32770") {
    PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    ++g_closed;
  }
  return TRUE;
}

void CALLBACK CancelDialogs(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &CancelDialog, 0); }

}  // namespace

DialogCanceller::DialogCanceller() : timer_(SetTimer(nullptr, 0, 200, &CancelDialogs)) { g_closed = 0; }
DialogCanceller::~DialogCanceller() { KillTimer(nullptr, timer_); }
int DialogCanceller::Closed() const { return g_closed; }

void ClearAll(std::vector<VARIANT>& values) {
  for (VARIANT& v : values) VariantClear(&v);
}

}  // namespace vard::com::testing
