#include "control/win32/ModuleState.h"

#include <atomic>

namespace vard::com {
namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

}  // namespace

HMODULE Module() {
  if (!g_module) {
    // Linked into a program rather than loaded as a DLL: find the module
    // that holds this code.
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Module), &g_module);
  }
  return g_module;
}

void SetModule(HMODULE module) { g_module = module; }
void ObjectCreated() { ++g_objects; }
void ObjectDestroyed() { --g_objects; }
void LockServer(bool lock) { lock ? ++g_locks : --g_locks; }
bool CanUnload() { return g_objects == 0 && g_locks == 0; }

}  // namespace vard::com
