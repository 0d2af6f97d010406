#pragma once
// POSIX backend only: a request to a window of the calling thread is
// handled at once, as SendMessageW does for a window of its own thread;
// through the socket it would wait for a loop that cannot run.
#include <string>

namespace vard::platform::posix {

// True with the reply when a window of `className` belongs to this thread.
bool HandleOnThisThread(const std::u16string& className, const std::string& request, std::string* reply);

}  // namespace vard::platform::posix
