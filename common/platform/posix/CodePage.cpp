#include "common/platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "common/platform/Environment.h"

namespace vard::platform {
namespace {

// Converts with iconv; an unconvertible or broken unit is replaced and the
// conversion goes on, so no input is ever lost silently as a whole.
std::string Convert(const char* to, const char* from, const char* in, size_t inLeft, size_t unit,
                    const std::string& replacement) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  std::vector<char> buf(inLeft * 4 + 16);
  char* src = const_cast<char*>(in);
  while (inLeft > 0) {
    char* dst = buf.data();
    size_t outLeft = buf.size();
    const size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
    out.append(buf.data(), dst);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one unit of input and put a replacement.
      const size_t skip = inLeft < unit ? inLeft : unit;
      src += skip;
      inLeft -= skip;
      out += replacement;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const std::string acp = AnsiCodePageName();
  return Convert(acp.c_str(), "UTF-16LE", reinterpret_cast<const char*>(text.data()),
                 text.size() * 2, 2, "?");
}

std::u16string AnsiToUtf16(std::string_view bytes) {
  if (bytes.empty()) return {};
  const std::string acp = AnsiCodePageName();
  const std::string r = Convert("UTF-16LE", acp.c_str(), bytes.data(), bytes.size(), 1,
                                std::string("\xFD\xFF", 2));
  std::u16string out(r.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(r[2 * i]) |
                                   (static_cast<unsigned char>(r[2 * i + 1]) << 8));
  return out;
}

}  // namespace vard::platform
