#include "Printf.h"

#include <vector>

namespace vard {
namespace {

std::u16string Digits(uint64_t v, unsigned base, bool upper) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string d;
  do {
    d.insert(d.begin(), static_cast<char16_t>(set[v % base]));
    v /= base;
  } while (v);
  return d;
}

}  // namespace

std::u16string FormatText(std::u16string_view fmt, std::initializer_list<FormatArg> argList) {
  const std::vector<FormatArg> args(argList);
  size_t next = 0;
  std::u16string out;
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != u'%') {
      out += fmt[i];
      continue;
    }
    size_t j = i + 1;
    bool left = false, zero = false, plus = false, space = false;
    for (; j < fmt.size(); ++j) {
      const char16_t c = fmt[j];
      if (c == u'-') left = true;
      else if (c == u'0') zero = true;
      else if (c == u'+') plus = true;
      else if (c == u' ') space = true;
      else if (c == u'#') {}
      else break;
    }
    int width = 0, precision = -1;
    while (j < fmt.size() && fmt[j] >= u'0' && fmt[j] <= u'9') width = width * 10 + (fmt[j++] - u'0');
    if (j < fmt.size() && fmt[j] == u'.') {
      precision = 0;
      ++j;
      while (j < fmt.size() && fmt[j] >= u'0' && fmt[j] <= u'9') precision = precision * 10 + (fmt[j++] - u'0');
    }
    int lengthBits = 32;
    while (j < fmt.size()) {
      if (fmt[j] == u'h') { lengthBits = 16; ++j; }
      else if (fmt[j] == u'l') { ++j; if (j < fmt.size() && fmt[j] == u'l') { lengthBits = 64; ++j; } }
      else if (fmt.substr(j, 3) == u"I64") { lengthBits = 64; j += 3; }
      else break;
    }
    if (j >= fmt.size()) {  // dangling "%": kept as text
      out += fmt.substr(i);
      break;
    }
    const char16_t conv = fmt[j];
    i = j;
    if (conv == u'%') {
      out += u'%';
      continue;
    }
    const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
    ++next;
    std::u16string body;
    std::u16string sign;
    bool numeric = true;
    switch (conv) {
      case u'd':
      case u'i': {
        int64_t v = arg && !arg->IsText() ? arg->Number() : 0;
        if (lengthBits == 32) v = static_cast<int32_t>(v);
        else if (lengthBits == 16) v = static_cast<int16_t>(v);
        const uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        body = Digits(mag, 10, false);
        sign = v < 0 ? u"-" : plus ? u"+" : space ? u" " : u"";
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        uint64_t v = arg && !arg->IsText() ? static_cast<uint64_t>(arg->Number()) : 0;
        if (lengthBits == 32) v = static_cast<uint32_t>(v);
        else if (lengthBits == 16) v = static_cast<uint16_t>(v);
        body = Digits(v, conv == u'u' ? 10 : 16, conv == u'X');
        break;
      }
      case u'c':
        numeric = false;
        if (arg && !arg->IsText()) body = std::u16string(1, static_cast<char16_t>(arg->Number()));
        break;
      case u's':
      case u'S':
        numeric = false;
        if (arg && arg->IsText()) body = std::u16string(arg->Text());
        else if (arg) body = Digits(static_cast<uint64_t>(arg->Number()), 10, false);
        if (precision >= 0 && body.size() > static_cast<size_t>(precision)) body.resize(precision);
        break;
      default:  // unknown conversion: shown as written
        out += u'%';
        out += conv;
        continue;
    }
    if (numeric && precision >= 0) {
      while (body.size() < static_cast<size_t>(precision)) body.insert(body.begin(), u'0');
      if (precision == 0 && body == u"0") body.clear();
    }
    const size_t len = sign.size() + body.size();
    const size_t pad = static_cast<size_t>(width) > len ? width - len : 0;
    if (left) {
      out += sign + body + std::u16string(pad, u' ');
    } else if (zero && numeric && precision < 0) {
      out += sign + std::u16string(pad, u'0') + body;
    } else {
      out += std::u16string(pad, u' ') + sign + body;
    }
  }
  return out;
}

}  // namespace vard
