#pragma once
// What a download run needs from the dialog that shows it. Called on the
// run's worker thread; a host passes the calls on to its window thread.
#include <cstdint>
#include <string>

#include "common/transfer/ExistingFileAnswer.h"

namespace vard {

// The existing-file question and its answers.
struct DuplicateQuestion {
  std::u16string path;
  int64_t newSize = 0;
  bool allowResume = true;
  bool singleMode = false;  // no apply-to-all box
};

struct DuplicateAnswer {
  int code = existing_file::kSkip;
  bool applyToAll = false;
  std::u16string newPath;  // for kSaveAs: the path chosen
};

class IDownloadRunHost {
 public:
  virtual ~IDownloadRunHost() = default;
  virtual void SetItemCounterText(const std::u16string& text) = 0;  // "3 / 10"
  virtual void SetCurrentFileText(const std::u16string& text) = 0;
  // The item's status, name or size text changed.
  virtual void ItemChanged(size_t index) = 0;
  virtual void RefreshTexts() = 0;
  virtual DuplicateAnswer AskDuplicate(const DuplicateQuestion& question) = 0;
  // The run is over; the dialog ends itself from here.
  virtual void RunFinished() = 0;
};

}  // namespace vard
