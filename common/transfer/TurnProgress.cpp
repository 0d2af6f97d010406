#include "common/transfer/TurnProgress.h"

namespace vard::transfer {

bool TurnProgress::Again(int64_t end, bool engineEnded) {
  if (end > furthest_) {
    furthest_ = end;
    stalls_ = 0;
  } else {
    ++stalls_;
  }
  if (!engineEnded) ++serverEnded_;
  return stalls_ < kStallLimit && serverEnded_ < kRequestLimit;
}

}  // namespace vard::transfer
