#pragma once
// Tells the page's server about finished downloads with form posts: one
// "_progress=ing" post per file, one "_progress=done" when the run ends.
// A post that fails is logged and forgotten: the downloads go on. Used by
// the download worker's thread.
#include <cstdint>
#include <functional>
#include <string>

#include "common/log/DiagnosticLog.h"
#include "common/platform/Clock.h"
#include "common/platform/Http.h"

namespace vard {

class DownloadNotifier {
 public:
  // `url` empty: nothing is posted. `session`, when set, is the open
  // session the posts go over.
  DownloadNotifier(std::u16string url, platform::IClock& clock, std::function<void(const LogEvent&)> log,
                   std::function<platform::InternetHandle()> session = {});

  void FileFinished(const std::u16string& cookie, const std::u16string& fileName, int64_t fileSize, bool utf8);
  void RunFinished();

 private:
  template <typename Fill>
  void Post(bool utf8, Fill fill);

  std::u16string url_;
  platform::IClock& clock_;
  std::function<void(const LogEvent&)> log_;
  std::function<platform::InternetHandle()> session_;
};

}  // namespace vard
