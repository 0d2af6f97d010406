#include "common/platform/posix/CurlLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "common/platform/Http.h"

namespace vard::platform {
namespace posix {
namespace {

// The ABI the headers describe.
constexpr char kLibrary[] = "libcurl.so.4";

CurlLibrary g_library;
const CurlLibrary* g_loaded = nullptr;
std::once_flag g_once;

// A load begun early ends before the process does: libcurl must not be
// starting while the process tears down.
struct EarlyLoad {
  std::once_flag once;
  std::thread thread;
  ~EarlyLoad() {
    if (thread.joinable()) thread.join();
  }
};
EarlyLoad g_early;

template <typename F>
bool Bind(void* library, const char* name, F* call) {
  *call = reinterpret_cast<F>(::dlsym(library, name));
  return *call != nullptr;
}

void Load() {
  // Kept for the process's life: handles it made may outlive any caller.
  void* library = ::dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "HTTP is not available: %s\n", ::dlerror());
    return;
  }
  decltype(&::curl_global_init) globalInit = nullptr;
  CurlLibrary& c = g_library;
  const bool bound =
      Bind(library, "curl_global_init", &globalInit) && Bind(library, "curl_easy_init", &c.easy_init) &&
      Bind(library, "curl_easy_setopt", &c.easy_setopt) && Bind(library, "curl_easy_getinfo", &c.easy_getinfo) &&
      Bind(library, "curl_easy_pause", &c.easy_pause) && Bind(library, "curl_easy_cleanup", &c.easy_cleanup) &&
      Bind(library, "curl_slist_append", &c.slist_append) &&
      Bind(library, "curl_slist_free_all", &c.slist_free_all) && Bind(library, "curl_multi_init", &c.multi_init) &&
      Bind(library, "curl_multi_add_handle", &c.multi_add_handle) &&
      Bind(library, "curl_multi_remove_handle", &c.multi_remove_handle) &&
      Bind(library, "curl_multi_perform", &c.multi_perform) &&
      Bind(library, "curl_multi_info_read", &c.multi_info_read) && Bind(library, "curl_multi_poll", &c.multi_poll) &&
      Bind(library, "curl_multi_wakeup", &c.multi_wakeup) && Bind(library, "curl_multi_cleanup", &c.multi_cleanup);
  if (!bound) {
    std::fprintf(stderr, "HTTP is not available: %s lacks a call this program makes\n", kLibrary);
    return;
  }
  if (globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    std::fprintf(stderr, "HTTP is not available: %s did not start\n", kLibrary);
    return;
  }
  g_loaded = &g_library;
}

}  // namespace

const CurlLibrary* LoadCurl() {
  std::call_once(g_once, Load);
  return g_loaded;
}

const CurlLibrary& Curl() { return g_library; }

}  // namespace posix

void StartLoadingHttp() {
  // Whoever needs it first waits in call_once for this thread's load.
  std::call_once(posix::g_early.once, [] { posix::g_early.thread = std::thread([] { posix::LoadCurl(); }); });
}

}  // namespace vard::platform
