#include "agent/DuplicateName.h"

#include <climits>
#include <iterator>

#include "common/platform/PathText.h"
#include "common/text/Printf.h"
#include "common/text/Utf.h"

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

// The C library's path splitter, which the names follow: "X:" is a drive,
// any other ":" belongs to the name.
platform::PathParts SplitName(std::u16string_view path) {
  return platform::SplitPath(path, platform::DriveColon::kEndsDrive);
}

}  // namespace

std::u16string DuplicateFreeName(const std::u16string& fileName, const EntryList& list) {
  const platform::PathParts mine = SplitName(fileName);
  const size_t b = mine.base.size();
  long long n = 0;
  for (const auto& entry : list) {
    // Views into the entry: this runs for every pair of old and new entries.
    const std::u16string_view path(entry->path, BoundedLength(entry->path, std::size(entry->path)));
    // A bare name's base is a prefix of it: most names fail here without a
    // split, which keeps a batch of a thousand files fast.
    if (path.find_first_of(u"\\/:") == std::u16string_view::npos && path.substr(0, b) != mine.base) continue;
    const platform::PathParts other = SplitName(path);
    const std::u16string_view base = other.base;
    if (other.ext != mine.ext || base.size() < b || base.substr(0, b) != mine.base) continue;
    if (base.size() == b) {
      if (n < 1) n = 1;
    } else if (base.size() > b + 1) {
      const long long v = LeadingInteger(base.substr(b + 1));
      // The largest number stays representable (no "(-2147483648)").
      if (v > 0 && v + 1 > n) n = v < INT_MAX ? v + 1 : INT_MAX;
    }
  }
  if (n == 0) return fileName;
  return FormatText(u"%s(%d)%s", {mine.base, static_cast<int>(n), mine.ext});
}

}  // namespace vard
