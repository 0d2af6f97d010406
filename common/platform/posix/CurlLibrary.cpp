#include "common/platform/posix/CurlLibrary.h"

#include <dlfcn.h>
#include <openssl/crypto.h>

#include <atomic>
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
// Set once a load has begun, on whichever thread.
std::atomic<bool> g_begun{false};

// A load begun early ends before the process does: the TLS library it
// starts must not be starting while the process tears down.
struct EarlyLoad {
  std::mutex mutex;
  std::thread thread;
  bool started = false;
  std::atomic<bool> finishing{false};
  void Finish();
  ~EarlyLoad() { Finish(); }
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
  // The TLS library would clean itself up from an exit handler registered
  // during this load, so after any of ours: at an exit while a load runs on
  // another thread it would free the locks that load still takes.
  if (auto init = reinterpret_cast<decltype(&::OPENSSL_init_crypto)>(::dlsym(library, "OPENSSL_init_crypto")))
    init(OPENSSL_INIT_NO_ATEXIT, nullptr);
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
  std::call_once(g_once, [] {
    g_begun = true;
    Load();
  });
  return g_loaded;
}

void EarlyLoad::Finish() {
  finishing = true;
  std::thread early;
  {
    std::lock_guard lock(mutex);
    early = std::move(thread);
  }
  if (early.joinable()) early.join();
  // A load begun on another thread (a first session) is waited for too.
  if (g_begun) LoadCurl();
}

const CurlLibrary& Curl() { return g_library; }

}  // namespace posix

void StartLoadingHttp() {
  posix::EarlyLoad& early = posix::g_early;
  std::lock_guard lock(early.mutex);
  if (early.started || early.finishing) return;
  early.started = true;
  // Whoever needs it first waits in call_once for this thread's load; one
  // the program finished before it began never begins.
  early.thread = std::thread([&early] {
    if (!early.finishing) posix::LoadCurl();
  });
}

void FinishLoadingHttp() { posix::g_early.Finish(); }

}  // namespace vard::platform
