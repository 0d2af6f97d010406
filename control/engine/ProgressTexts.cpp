#include "control/engine/ProgressTexts.h"

#include <cmath>
#include <cstdio>

#include "common/text/SizeFormat.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

// Largest value the texts carry; beyond it a figure means nothing to anyone.
constexpr double kMaxFigure = 9.0e15;

double Sane(double v) { return std::isfinite(v) && v > 0 ? std::min(v, kMaxFigure) : 0.0; }

std::u16string TwoDigits(int64_t n) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%02lld", static_cast<long long>(n));
  return AsciiToUtf16(buf);
}

}  // namespace

std::u16string RateText(double bytesPerSecond) {
  const int64_t hundredths = static_cast<int64_t>(Sane(bytesPerSecond) / 1024.0 * 100.0);
  return FormatThousands(hundredths / 100) + u"." + TwoDigits(hundredths % 100) + u"KB";
}

std::u16string ByteCountText(int64_t bytes) { return FormatThousands(bytes) + u"bytes"; }

std::u16string TimeLeftText(const std::u16string& label, int64_t bytesLeft, double bytesPerSecond) {
  const double rate = Sane(bytesPerSecond);
  const int64_t seconds = rate > 0 && bytesLeft > 0 ? static_cast<int64_t>(Sane(bytesLeft / rate)) : 0;
  return label + u" : " + TwoDigits(seconds / 3600) + u":" + TwoDigits(seconds / 60 % 60) + u":" +
         TwoDigits(seconds % 60);
}

}  // namespace vard
