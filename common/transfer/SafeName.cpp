#include "common/transfer/SafeName.h"

#include <array>

namespace vard::transfer {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool EqualsUpper(std::u16string_view a, std::u16string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != upper[i]) return false;
  return true;
}

// Windows ignores trailing dots and blanks, and what follows the first dot,
// when it matches a component against the device names.
bool IsDeviceName(std::u16string_view component) {
  std::u16string_view base = component.substr(0, component.find(u'.'));
  while (!base.empty() && (base.back() == u' ' || base.back() == u'.')) base.remove_suffix(1);
  static constexpr std::array<std::u16string_view, 6> kPlain = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  for (std::u16string_view d : kPlain)
    if (EqualsUpper(base, d)) return true;
  // COM0 and LPT0 too, and the superscript digits Windows also takes as ports.
  const auto isPortDigit = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
  };
  if (base.size() == 4 && (EqualsUpper(base.substr(0, 3), u"COM") || EqualsUpper(base.substr(0, 3), u"LPT")) &&
      isPortDigit(base[3]))
    return true;
  return false;
}

// "..", and names of dots and blanks only, which Windows reads as ".." or ".".
bool IsDotName(std::u16string_view component) {
  bool dot = false;
  for (char16_t c : component) {
    if (c == u'.') dot = true;
    else if (c != u' ') return false;
  }
  return dot && component.size() > 1;
}

}  // namespace

bool StaysInsideFolder(std::u16string_view name, NameSource source) {
  if (name.empty()) return true;
  if (IsSeparator(name.front())) return false;           // absolute, UNC, device paths
  if (name.size() >= 2 && name[1] == u':') return false;  // drive letters, drive-relative too
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::u16string_view component = name.substr(start, end - start);
    for (char16_t c : component)
      if (c < 0x20 || c == u':') return false;
    if (IsDotName(component) || IsDeviceName(component)) return false;
    if (source == NameSource::kUntrustedPage && component.starts_with(u'.')) return false;
    start = end + 1;
  }
  return true;
}

bool FitsInsideFolder(std::u16string_view folder, std::u16string_view name, NameSource source) {
  if (!StaysInsideFolder(name, source)) return false;
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  const size_t length = folder.size() + 1 + name.size();
  // The deepest folder: the whole path for a folder name, else up to its
  // last separator.
  size_t folderLength = length;
  if (!name.empty() && !IsSeparator(name.back())) {
    size_t last = name.size();
    while (last > 0 && !IsSeparator(name[last - 1])) --last;
    folderLength = folder.size() + last;
  }
  return length <= kMaxFilePath && folderLength <= kMaxFolderPath;
}

bool NamesStream(std::u16string_view path) {
  size_t from = 0;
  if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) from = 4;
  const auto isLetter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  if (path.size() >= from + 2 && isLetter(path[from]) && path[from + 1] == u':') from += 2;
  return path.find(u':', from) != std::u16string_view::npos;
}

std::u16string WithoutBidiControls(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) c = u'_';
  return out;
}

}  // namespace vard::transfer
