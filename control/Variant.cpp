#include "Variant.h"

#include "common/text/CaseFold.h"
#include "common/text/Utf.h"

namespace vard {

namespace {

// A page's text read as a whole number: blanks first, one sign, digits up to
// the next blank. A number beyond the 64-bit range is an overflow, as the
// automation conversion reports it, never a wrapped value.
struct ParsedInteger {
  bool valid = false;
  bool overflow = false;
  int64_t value = 0;
};

ParsedInteger ParseInteger(const std::u16string& s) {
  ParsedInteger out;
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  if (i >= s.size()) return out;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (; i < s.size() && s[i] != u' '; ++i) {
    if (s[i] < u'0' || s[i] > u'9') return {};
    const uint64_t digit = static_cast<uint64_t>(s[i] - u'0');
    if (magnitude > (limit - digit) / 10) out.overflow = true;
    if (!out.overflow) magnitude = magnitude * 10 + digit;
  }
  out.valid = !out.overflow;
  if (out.valid) out.value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return out;
}

}  // namespace

std::optional<int64_t> Variant::ToInteger() const {
  switch (type) {
    case Type::kEmpty: return 0;
    case Type::kString: {
      if (EqualsIgnoreCase(text, u"true")) return -1;
      if (EqualsIgnoreCase(text, u"false")) return 0;
      const ParsedInteger n = ParseInteger(text);
      if (!n.valid) return std::nullopt;
      return n.value;
    }
    case Type::kArrayI4: return std::nullopt;
    default: return number;
  }
}

std::optional<int16_t> Variant::ToVariantBool() const {
  if (type == Type::kBool) return static_cast<int16_t>(number);
  // Too big for an integer is still a number, and not zero.
  if (type == Type::kString && ParseInteger(text).overflow) return kVariantTrue;
  const auto v = ToInteger();
  if (!v) return std::nullopt;
  return *v ? kVariantTrue : kVariantFalse;
}

std::u16string Variant::ToText() const {
  switch (type) {
    case Type::kEmpty: return {};
    case Type::kString: return text;
    case Type::kBool: return number ? u"True" : u"False";
    case Type::kArrayI4: {
      std::u16string s;
      for (size_t i = 0; i < array.size(); ++i) {
        if (i) s += u',';
        s += AsciiToUtf16(std::to_string(array[i]));
      }
      return s;
    }
    default: return AsciiToUtf16(std::to_string(number));
  }
}

}  // namespace vard
