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

DuplicateNames::DuplicateNames(const EntryList& list) {
  names_.reserve(list.size());
  for (const auto& entry : list) Add(std::u16string(entry->path, BoundedLength(entry->path, std::size(entry->path))));
}

void DuplicateNames::Add(const std::u16string& shownName) {
  const platform::PathParts parts = SplitName(shownName);
  names_.push_back({std::u16string(parts.base), std::u16string(parts.ext)});
}

std::u16string DuplicateNames::FreeName(const std::u16string& fileName) const {
  const platform::PathParts mine = SplitName(fileName);
  const size_t b = mine.base.size();
  long long n = 0;
  for (const Split& other : names_) {
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

std::u16string DuplicateFreeName(const std::u16string& fileName, const EntryList& list) {
  return DuplicateNames(list).FreeName(fileName);
}

}  // namespace vard
