#include "agent/jobs/UploadAnswer.h"

#include <limits>

namespace vard {
namespace {
constexpr size_t kServerNameCapacity = 261;
// Seconds of year 9999's end: later times cannot be shown as dates.
constexpr int64_t kLatestTime = 253402300799;
}  // namespace

std::u16string AnswerValue(std::u16string_view answer, std::u16string_view key) {
  const std::u16string needle = std::u16string(key) + u"=";
  const size_t at = answer.find(needle);
  if (at == std::u16string_view::npos) return {};
  const size_t end = answer.find(u';', at);
  if (end == std::u16string_view::npos) return {};
  const size_t start = at + needle.size();
  // The ";" can lie inside the key's own text ("a;b=") only if the key
  // holds one; then there is no value.
  if (end < start) return {};
  return std::u16string(answer.substr(start, end - start));
}

std::optional<int64_t> ParseDecimal(std::u16string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    const int digit = c - u'0';
    if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

bool UsableServerName(std::u16string_view name) {
  if (name.empty() || name.size() >= kServerNameCapacity || name == u"." || name == u"..") return false;
  for (char16_t c : name) {
    if (c < 0x20 || c == 0x7F || c == u'\\' || c == u'/' || c == u':') return false;
  }
  return true;
}

platform::UtcTime CalendarTime(int64_t seconds) {
  const int64_t days = seconds / 86400;
  const int64_t rest = seconds % 86400;
  // Civil date from days since the epoch (proleptic Gregorian).
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  platform::UtcTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

FileInfoAnswer ParseFileInfoAnswer(std::u16string_view answer) {
  FileInfoAnswer a;
  a.askRename = AnswerValue(answer, u"AskRename") == u"yes";
  std::u16string name = AnswerValue(answer, u"FileName");
  if (UsableServerName(name)) a.fileName = std::move(name);
  a.fileSize = ParseDecimal(AnswerValue(answer, u"FileSize")).value_or(0);
  if (auto t = ParseDecimal(AnswerValue(answer, u"FileTime")); t && *t <= kLatestTime) a.fileTime = t;
  return a;
}

}  // namespace vard
