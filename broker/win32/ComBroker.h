#pragma once
// KTCOMBroker3 as a COM object: IKTCOMBroker3 (dual, its IDispatch served
// from the module's type library) over the portable broker object. Made on
// its own or inside an outer object (aggregation).
#include <windows.h>
#undef CreateDirectory

#include "KTCOMBroker3.h"

namespace vard::broker::win32 {

// Makes a new object and asks it for `iid`; `outer` may be null.
HRESULT CreateComBroker(IUnknown* outer, REFIID iid, void** object);

}  // namespace vard::broker::win32
