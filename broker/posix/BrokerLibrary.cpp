// libVardKTCOMBroker3.so: the broker object for callers that load it.
#include <new>

#include "broker/KTCOMBroker3.h"
#include "common/platform/Export.h"

// One new broker, owned by the caller (deleted through its interface);
// null when it cannot be made.
VARD_EXPORT vard::platform::IElevationBroker* VardCreateKTCOMBroker3() {
  return new (std::nothrow) vard::broker::CKTCOMBroker3();
}
