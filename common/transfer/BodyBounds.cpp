#include "common/transfer/BodyBounds.h"

namespace vard::transfer {

uint32_t BodyBounds::Take(uint32_t count) {
  uint32_t allowed = count;
  if (end_ >= 0) {
    const int64_t room = end_ > position_ ? end_ - position_ : 0;
    if (room < count) {
      allowed = static_cast<uint32_t>(room);
      surplus_ = true;
    }
  }
  position_ += allowed;
  return allowed;
}

}  // namespace vard::transfer
