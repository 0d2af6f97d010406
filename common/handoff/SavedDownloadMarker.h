#pragma once
// Marks records of the saved-downloads file done, as a run of the agent
// finishes its files one after another. While the agent runs, records are
// only appended, so where a URL's first record lies stays true: it is
// remembered, and each record is read once per marker rather than once per
// finished file (999 files meant half a million record reads).
#include <cstdint>
#include <string>
#include <unordered_map>

namespace vard {

class SavedDownloadMarker {
 public:
  explicit SavedDownloadMarker(std::u16string path) : path_(std::move(path)) {}

  // Sets state 2 on the first record whose url equals `url` exactly,
  // whatever its state. False when nothing was marked.
  bool MarkDone(const std::u16string& url);

 private:
  std::u16string path_;
  std::unordered_map<std::u16string, int64_t> firstAt_;
  int64_t scanned_ = 0;  // records before this offset are in firstAt_
};

}  // namespace vard
