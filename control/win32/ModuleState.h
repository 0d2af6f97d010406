#pragma once
// The COM server's module: its handle and the counts that decide whether
// it may be unloaded (live objects and server locks).
#include <windows.h>

namespace vard::com {

HMODULE Module();
void SetModule(HMODULE module);

void ObjectCreated();
void ObjectDestroyed();
void LockServer(bool lock);
bool CanUnload();

}  // namespace vard::com
