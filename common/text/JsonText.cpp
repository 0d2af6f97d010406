#include "common/text/JsonText.h"

#include "common/text/Utf.h"

namespace vard {

std::string JsonQuote(std::u16string_view text) {
  const std::string utf8 = Utf16ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          // Not snprintf: a page's text may hold a megabyte of these.
          out += "\\u00";
          out += "0123456789abcdef"[c >> 4];
          out += "0123456789abcdef"[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace vard
