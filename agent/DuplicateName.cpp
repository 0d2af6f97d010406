#include "agent/DuplicateName.h"

#include <climits>

#include "common/text/Printf.h"

namespace vard {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Leading integer as wcstol reads it: blanks, a sign, digits; none = 0.
// Saturates instead of overflowing.
long long LeadingInteger(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  long long v = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    v = v * 10 + (s[i] - u'0');
    if (v > INT_MAX) v = INT_MAX;
  }
  return negative ? -v : v;
}

}  // namespace

SplitName SplitFileName(std::u16string_view path) {
  SplitName out;
  const auto slash = path.find_last_of(u"\\/:");
  const size_t nameStart = slash == std::u16string_view::npos ? 0 : slash + 1;
  out.dir = std::u16string(path.substr(0, nameStart));
  const std::u16string_view name = path.substr(nameStart);
  const auto dot = name.rfind(u'.');
  out.base = std::u16string(dot == std::u16string_view::npos ? name : name.substr(0, dot));
  if (dot != std::u16string_view::npos) out.ext = std::u16string(name.substr(dot));
  return out;
}

std::u16string DuplicateFreeName(const std::u16string& fileName, const EntryList& list) {
  const SplitName mine = SplitFileName(fileName);
  const size_t b = mine.base.size();
  long long n = 0;
  for (const auto& entry : list) {
    const SplitName other = SplitFileName(ReadField(entry->path));
    if (other.ext != mine.ext || other.base.size() < b || other.base.compare(0, b, mine.base) != 0) continue;
    if (other.base.size() == b) {
      if (n < 1) n = 1;
    } else if (other.base.size() > b + 1) {
      const long long v = LeadingInteger(std::u16string_view(other.base).substr(b + 1));
      // The largest number stays representable (no "(-2147483648)").
      if (v > 0 && v + 1 > n) n = v < INT_MAX ? v + 1 : INT_MAX;
    }
  }
  if (n == 0) return fileName;
  return FormatText(u"%s(%d)%s", {mine.base, static_cast<int>(n), mine.ext});
}

}  // namespace vard
