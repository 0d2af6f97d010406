#pragma once
// What counts as progress in one item's turn: the furthest byte of the file
// written, not the bytes read. A server that ignores the range and sends the
// same short body again brings bytes but no progress; a few such requests in
// a row, or too many bodies ending early in one turn, end the turn, so that
// no server can make an engine send requests without end.
#include <cstdint>

namespace vard::transfer {

class TurnProgress {
 public:
  // Requests in a row that do not move the end of the file forward.
  static constexpr int kStallLimit = 3;
  // Requests in one turn that the server ended (early, refused, misplaced);
  // requests the engine ends itself (its own cycle size) are not counted.
  static constexpr int kRequestLimit = 12;

  // `endOnDisk`: the file's end when the turn began.
  explicit TurnProgress(int64_t endOnDisk) : furthest_(endOnDisk) {}

  // Whether writing up to `end` moves past every end the turn has reached.
  bool Beyond(int64_t end) const { return end > furthest_; }
  // One request ended with the file's end at `end`; `engineEnded` when the
  // engine, not the server, ended its body. False: the turn is over.
  bool Again(int64_t end, bool engineEnded = false);

  int64_t Furthest() const { return furthest_; }
  int Stalls() const { return stalls_; }

 private:
  int64_t furthest_;
  int stalls_ = 0;
  int serverEnded_ = 0;
};

}  // namespace vard::transfer
