#include "agent/views/ViewTexts.h"

#include <cmath>

#include "agent/views/ControlIds.h"
#include "common/text/Printf.h"
#include "common/text/SizeFormat.h"

namespace vard {

double RunRate(int64_t runBytes, double runSeconds) {
  if (runSeconds <= 0) return 0;
  return static_cast<double>(runBytes) / runSeconds;
}

std::u16string RateText(double bytesPerSecond) {
  if (!(bytesPerSecond > 0)) bytesPerSecond = 0;
  // Hundredths of a KB, truncated; the small allowance keeps sums of
  // binary fractions (0.1 s blocks) from losing a hundredth.
  const auto hundredths = static_cast<int64_t>(std::floor(bytesPerSecond * 100.0 / 1024.0 + 1e-9));
  return FormatText(u"%d.%02d", {hundredths / 100, hundredths % 100}) + u"KB / sec";
}

std::u16string SizeProgressText(int64_t done, int64_t total) {
  return FormatSize(done) + u" / " + FormatSize(total);
}

std::u16string ClockText(int64_t seconds) {
  if (seconds < 0) seconds = 0;
  return FormatText(u"%02d:%02d:%02d", {seconds / 3600, seconds / 60 % 60, seconds % 60});
}

std::u16string TimeLeftText(int64_t bytesLeft, double bytesPerSecond) {
  if (!(bytesPerSecond > 0) || bytesLeft <= 0) return u"00:00:00";
  return ClockText(static_cast<int64_t>(static_cast<double>(bytesLeft) / bytesPerSecond));
}

int ProgressPosition(int64_t done, int64_t total) {
  if (total <= 0) return 0;
  if (done >= total) return view_id::kProgressRange;
  if (done <= 0) return 0;
  // done * 1000 could pass 63 bits only for totals beyond 9 PB.
  return static_cast<int>(done * view_id::kProgressRange / total);
}

}  // namespace vard
