// Starts the early HTTP load and ends while it may still run: by returning
// from main or by exit(), PAUSE microseconds after the library is in memory,
// so that the end falls while the library starts its TLS stack.
//   http_load_exit return|exit [PAUSE]
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "common/platform/Clock.h"
#include "common/platform/Http.h"

namespace {

int64_t Microseconds() {
  vard::platform::IClock& clock = vard::platform::SystemClock();
  return clock.PerfCounter() * 1000000 / clock.PerfFrequency();
}

// Waits (at most two seconds) until the loader has the library in memory,
// then PAUSE microseconds more.
void WaitInsideTheLoad(int64_t pause) {
  const int64_t start = Microseconds();
  while (Microseconds() - start < 2000000) {
    // Takes the loader's lock: answers once the load's dlopen is over.
    if (void* loaded = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD)) {
      ::dlclose(loaded);
      break;
    }
  }
  const int64_t in = Microseconds();
  while (Microseconds() - in < pause) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool byExit = argc > 1 && std::strcmp(argv[1], "exit") == 0;
  const int64_t pause = argc > 2 ? std::atoll(argv[2]) : 0;
  if (byExit) {
    // No scope: exit() skips main's locals, so the library's end must not
    // depend on them.
    vard::platform::StartLoadingHttp();
    WaitInsideTheLoad(pause);
    std::exit(0);
  }
  const vard::platform::HttpLoadScope http(true);
  WaitInsideTheLoad(pause);
  return 0;
}
