// The broker module's entry points: its class factory, and the proxy/stub
// for everything else.
#include "broker/win32/ServerModule.h"

#include <atomic>

#include "broker/win32/ComBroker.h"

namespace vard::broker::win32 {
namespace {

HMODULE module = nullptr;
std::atomic<long> objects{0};
std::atomic<long> locks{0};

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // One factory for the module's life; its count keeps the module instead.
  ULONG STDMETHODCALLTYPE AddRef() override {
    LockModule(true);
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    LockModule(false);
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    return CreateComBroker(outer, iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }
};

ClassFactory factory;

}  // namespace

HMODULE Module() { return module; }
void ObjectCreated() { ++objects; }
void ObjectDestroyed() { --objects; }
void LockModule(bool lock) {
  if (lock) ++locks;
  else --locks;
}
bool ModuleInUse() { return objects > 0 || locks > 0; }

}  // namespace vard::broker::win32

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) vard::broker::win32::module = instance;
  return PrxDllMain(instance, reason, reserved);
}

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (clsid == CLSID_KTCOMBroker3) return vard::broker::win32::factory.QueryInterface(iid, object);
  return PrxDllGetClassObject(clsid, iid, object);
}

HRESULT WINAPI DllCanUnloadNow() {
  if (vard::broker::win32::ModuleInUse()) return S_FALSE;
  return PrxDllCanUnloadNow();
}

}  // extern "C"
