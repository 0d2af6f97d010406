#include "agent/jobs/DownloadWiring.h"

#include <memory>
#include <mutex>

namespace vard {
namespace {
std::mutex mutex;
std::unique_ptr<DownloadWiring> wiring;
}  // namespace

void SetDownloadWiring(DownloadWiring w) {
  std::lock_guard lock(mutex);
  wiring = std::make_unique<DownloadWiring>(std::move(w));
}

const DownloadWiring* GetDownloadWiring() {
  std::lock_guard lock(mutex);
  return wiring.get();
}

}  // namespace vard
