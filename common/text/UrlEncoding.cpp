#include "common/text/UrlEncoding.h"

#include "common/platform/CodePage.h"
#include "common/text/Utf.h"

namespace vard {
namespace {

bool PassesUnescaped(unsigned char c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  switch (c) {
    case '!': case '&': case '\'': case '(': case ')': case '*': case '+': case ',':
    case '-': case '.': case '/': case ':': case ';': case '=': case '?': case '@': case '_':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string EscapeUrlBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (PassesUnescaped(c)) {
      out.push_back(ch);
    } else {
      // A blank is "%20" like any other escaped byte.
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

std::string Utf8UrlBytes(std::u16string_view url, size_t maxBytes) {
  std::string utf8 = Utf16ToUtf8(url);
  if (utf8.size() <= maxBytes) return utf8;
  size_t cut = maxBytes;
  // Step back over continuation bytes so the cut lands on a lead byte.
  while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
  utf8.resize(cut);
  return utf8;
}

std::u16string EncodeUrl(std::u16string_view url, bool utf8) {
  const std::string bytes = utf8 ? Utf8UrlBytes(url) : platform::Utf16ToAnsi(url);
  return AsciiToUtf16(EscapeUrlBytes(bytes));
}

}  // namespace vard
