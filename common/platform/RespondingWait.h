#pragma once
// A call that blocks on the network, made from a thread that has windows:
// the call runs on a thread of its own while the calling thread goes on
// handling its window messages (Win32), so its windows stay responsive and
// whatever closes them can end the call by closing its handle. POSIX
// threads have no messages to handle there: the caller simply waits.
#include <functional>

namespace vard::platform {

// Returns once `work` has returned. `work` must be bounded (a network call
// with its timeouts, which closing its handle also ends).
void RunResponding(const std::function<void()>& work);

}  // namespace vard::platform
