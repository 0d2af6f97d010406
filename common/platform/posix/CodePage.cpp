#include "common/platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/platform/Environment.h"

namespace vard::platform {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Opening a converter costs far more than a short conversion (a list of
// URLs converts one by one), so each thread keeps the ones it opened.
class Converters {
 public:
  ~Converters() {
    for (auto& [key, cd] : open_)
      if (cd != kNoConverter) iconv_close(cd);
  }
  iconv_t Get(const char* to, const char* from) {
    auto [it, added] = open_.try_emplace(std::make_pair(std::string(to), std::string(from)), kNoConverter);
    if (added) {
      it->second = iconv_open(to, from);
      if (it->second == kNoConverter) it->second = iconv_open(to, "UTF-8");
    }
    if (it->second != kNoConverter) iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // initial state
    return it->second;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> open_;
};

// Converts with iconv; an unconvertible or broken unit is replaced and the
// conversion goes on, so no input is ever lost silently as a whole.
std::string Convert(const char* to, const char* from, const char* in, size_t inLeft, size_t unit,
                    const std::string& replacement) {
  std::string out;
  thread_local Converters converters;
  iconv_t cd = converters.Get(to, from);
  if (cd == kNoConverter) return out;
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
