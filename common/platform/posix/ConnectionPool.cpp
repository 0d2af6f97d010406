#include "common/platform/posix/ConnectionPool.h"

#include <deque>
#include <mutex>
#include <utility>

namespace vard::platform::posix {
namespace {

std::mutex g_poolMutex;
// Most recently returned first.
std::deque<std::pair<std::string, CURLM*>> g_idle;

}  // namespace

CURLM* TakeMulti(const std::string& origin) {
  {
    std::lock_guard lock(g_poolMutex);
    for (auto it = g_idle.begin(); it != g_idle.end(); ++it) {
      if (it->first != origin) continue;
      CURLM* multi = it->second;
      g_idle.erase(it);
      return multi;
    }
  }
  return Curl().multi_init();
}

void ReturnMulti(const std::string& origin, CURLM* multi) {
  CURLM* oldest = nullptr;
  {
    std::lock_guard lock(g_poolMutex);
    g_idle.emplace_front(origin, multi);
    if (g_idle.size() > kIdleMultis) {
      oldest = g_idle.back().second;
      g_idle.pop_back();
    }
  }
  if (oldest) Curl().multi_cleanup(oldest);
}

}  // namespace vard::platform::posix
