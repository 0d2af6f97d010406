#pragma once
// How much of a body may be written: from where its placement puts it up to
// the end its answer announced. Bytes past that end are never written; they
// mark the request as broken (or, for a query resume that turns out to be
// the whole file, as a file to fetch anew). Used on one transfer's thread.
#include <cstdint>

#include "common/transfer/BodyPlacement.h"

namespace vard::transfer {

class BodyBounds {
 public:
  explicit BodyBounds(const Placement& placement)
      : position_(placement.offset), end_(placement.end), wholeIfPast_(placement.wholeIfPastEnd) {}

  // Of `count` bytes that arrived, how many may be written; any left over
  // is surplus and the request ends.
  uint32_t Take(uint32_t count);
  // Where the next byte goes.
  int64_t Position() const { return position_; }
  bool Surplus() const { return surplus_; }
  // The surplus showed the body to be the whole file: fetch it anew.
  bool WholeFileAgain() const { return surplus_ && wholeIfPast_; }
  // The body ended before the end its answer announced.
  bool EndedShort() const { return end_ >= 0 && position_ < end_; }

 private:
  int64_t position_;
  int64_t end_;
  bool wholeIfPast_;
  bool surplus_ = false;
};

}  // namespace vard::transfer
