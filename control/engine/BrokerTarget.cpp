#include "control/engine/BrokerTarget.h"

#include <algorithm>
#include <cstring>

#include "common/platform/BrokerOriginMark.h"

namespace vard {
namespace p = platform;

namespace {
constexpr uint32_t kCreateAlways = 2, kOpenExisting = 3;
}

BrokerTarget::BrokerTarget(p::IElevationBroker& broker, p::SharedMemory& section, p::IClock& clock,
                           p::IFileSystem& files, const std::u16string& lockName)
    : broker_(broker), section_(section), files_(files), lock_(lockName, clock) {}

bool BrokerTarget::Exists(const std::u16string& path) { return files_.Attributes(path) != p::attribute::kInvalid; }

bool BrokerTarget::Open(const std::u16string& path, bool resume) {
  path_.clear();
  bool ok = broker_.FileOpen(path, resume ? kOpenExisting : kCreateAlways) == p::kBrokerTrue;
  if (!ok && resume) ok = broker_.FileOpen(path, kCreateAlways) == p::kBrokerTrue;
  if (ok) path_ = path;
  return ok;
}

uint32_t BrokerTarget::Write(const void* data, uint32_t size) {
  if (!section_.IsOpen() || section_.Size() < kBrokerChunk) return 0;
  // Held over the chunks of one read: no other run's chunk gets between a
  // copy into the section and the write from it, and a read costs one lock.
  p::SessionLockHold hold(lock_, kBrokerLockTimeoutMs);
  if (!hold.Held()) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t total = 0;
  while (total < size) {
    const uint32_t chunk = std::min(kBrokerChunk, size - total);
    std::memcpy(section_.Data(), bytes + total, chunk);
    const uint32_t written = broker_.FileWrite2(chunk);
    total += std::min(written, chunk);
    if (written != chunk) break;
  }
  return total;
}

int64_t BrokerTarget::Size() {
  // The broker also moves its position to the end: a resume appends from there.
  return path_.empty() ? -1 : static_cast<int64_t>(broker_.GetFileSize());
}

bool BrokerTarget::CutAt(int64_t size) {
  if (path_.empty() || size < 0) return false;
  const int64_t now = static_cast<int64_t>(broker_.GetFileSize());
  if (size == now) return true;  // at the end already
  if (size != 0) return false;   // the broker cannot cut a file short
  const std::u16string path = path_;
  broker_.FileClose();
  return Open(path, false);
}

void BrokerTarget::Close() {
  broker_.FileClose();
  if (!path_.empty()) Mark(path_);
  path_.clear();
}

void BrokerTarget::Mark(const std::u16string& path) {
  if (!origin_) return;
  p::MarkBrokerFile(files_, path, *origin_, [this](const std::u16string& stream, const std::string& text) {
    if (broker_.FileOpen(stream, kCreateAlways) != p::kBrokerTrue) return false;
    const bool wrote = Write(text.data(), static_cast<uint32_t>(text.size())) == text.size();
    broker_.FileClose();
    return wrote;
  });
}

}  // namespace vard
