#include "common/platform/ModuleResource.h"

#include <windows.h>

#include "common/platform/win32/Wide.h"

namespace vard::platform {

std::span<const uint8_t> ModuleResource(const std::u16string& type, uint32_t id) {
  // The module that holds this function: in the control that is the DLL,
  // not the browser that loaded it.
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ModuleResource), &module)) {
    return {};
  }
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), win32::W(type));
  if (!found) return {};
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  return {static_cast<const uint8_t*>(data), size};
}

}  // namespace vard::platform
