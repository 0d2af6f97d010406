// Entry points of the control's COM server module.
#include <windows.h>

#include "KT5Ctrl_h.h"
#include "control/win32/ClassFactory.h"
#include "control/win32/ModuleState.h"
#include "control/win32/Registration.h"

namespace {

std::wstring ModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(vard::com::Module(), path, MAX_PATH);
  return path;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    vard::com::SetModule(instance);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != CLSID_KT5Ctrl) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new vard::com::ClassFactory();
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return vard::com::CanUnload() ? S_OK : S_FALSE; }

extern "C" HRESULT WINAPI DllRegisterServer() { return vard::com::RegisterServer(ModulePath()); }

extern "C" HRESULT WINAPI DllUnregisterServer() { return vard::com::UnregisterServer(ModulePath()); }
