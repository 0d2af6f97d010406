#include "Variant.h"

#include "common/text/CaseFold.h"
#include "common/text/Utf.h"

namespace vard {

std::optional<int64_t> Variant::ToInteger() const {
  switch (type) {
    case Type::kEmpty: return 0;
    case Type::kString: {
      const std::string s = Utf16ToUtf8(text);
      if (EqualsIgnoreCase(text, u"true")) return -1;
      if (EqualsIgnoreCase(text, u"false")) return 0;
      size_t i = 0;
      while (i < s.size() && s[i] == ' ') ++i;
      bool negative = false;
      if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
      if (i >= s.size()) return std::nullopt;
      int64_t v = 0;
      for (; i < s.size() && s[i] != ' '; ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
      }
      return negative ? -v : v;
    }
    case Type::kArrayI4: return std::nullopt;
    default: return number;
  }
}

std::optional<int16_t> Variant::ToVariantBool() const {
  if (type == Type::kBool) return static_cast<int16_t>(number);
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
