#pragma once
// A local calendar time as people read it: the user's locale's long date,
// ", ", and the time on the 24-hour clock without an AM/PM marker.
// Win32: GetDateFormatW and GetTimeFormatW; POSIX: "YYYY-MM-DD, hh:mm:ss".
#include <string>

#include "common/platform/Clock.h"

namespace vard::platform {

std::u16string LongDateAndTime(const UtcTime& local);

}  // namespace vard::platform
