#pragma once
// What the broker module's parts share: its handle, its live objects and
// locks (for DllCanUnloadNow), and the proxy/stub entry points it hands on to.
#include <windows.h>

namespace vard::broker::win32 {

HMODULE Module();
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

}  // namespace vard::broker::win32

extern "C" {
BOOL WINAPI PrxDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
HRESULT WINAPI PrxDllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
HRESULT WINAPI PrxDllCanUnloadNow();
HRESULT WINAPI PrxDllRegisterServer();
HRESULT WINAPI PrxDllUnregisterServer();
}
