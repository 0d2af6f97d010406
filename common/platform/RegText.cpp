#include "common/platform/RegText.h"

#include <optional>

#include "common/text/Utf.h"

namespace vard::platform {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted text with \\ and \" escapes starting at `pos`; moves `pos` past
// the closing quote.
std::optional<std::string> Quoted(std::string_view s, size_t& pos) {
  if (pos >= s.size() || s[pos] != '"') return std::nullopt;
  std::string out;
  for (size_t i = pos + 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      if (++i == s.size()) return std::nullopt;
      out += s[i];
    } else if (s[i] == '"') {
      pos = i + 1;
      return out;
    } else {
      out += s[i];
    }
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> HexBytes(std::string_view s) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  skipBlanks();
  while (i < s.size()) {
    if (i + 1 >= s.size()) return std::nullopt;
    const int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    i += 2;
    skipBlanks();
    if (i == s.size()) break;
    if (s[i] != ',') return std::nullopt;
    ++i;
    skipBlanks();
  }
  return bytes;
}

std::optional<RegValue> ParseValueLine(std::string_view line) {
  RegValue v;
  size_t pos = 0;
  if (line.starts_with('@')) {
    pos = 1;
  } else {
    auto name = Quoted(line, pos);
    if (!name) return std::nullopt;
    v.name = Utf8ToUtf16(*name);
  }
  while (pos < line.size() && line[pos] == ' ') ++pos;
  if (pos >= line.size() || line[pos] != '=') return std::nullopt;
  ++pos;
  while (pos < line.size() && line[pos] == ' ') ++pos;
  std::string_view rest = line.substr(pos);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);

  if (rest.starts_with('"')) {
    size_t p = 0;
    auto text = Quoted(rest, p);
    if (!text || p != rest.size()) return std::nullopt;
    return StringValue(std::move(v.name), Utf8ToUtf16(*text));
  }
  if (rest.starts_with("dword:")) {
    const std::string_view digits = rest.substr(6);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    uint32_t n = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      n = n * 16 + static_cast<uint32_t>(d);
    }
    return DwordValue(std::move(v.name), n);
  }
  if (rest.starts_with("hex")) {
    rest.remove_prefix(3);
    v.type = regtype::kBinary;
    if (rest.starts_with('(')) {
      const size_t close = rest.find(')');
      if (close == std::string_view::npos || close == 1 || close > 9) return std::nullopt;
      uint32_t t = 0;
      for (char c : rest.substr(1, close - 1)) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        t = t * 16 + static_cast<uint32_t>(d);
      }
      v.type = t;
      rest.remove_prefix(close + 1);
    }
    if (!rest.starts_with(':')) return std::nullopt;
    auto bytes = HexBytes(rest.substr(1));
    if (!bytes) return std::nullopt;
    v.data = std::move(*bytes);
    return v;
  }
  return std::nullopt;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// Whether a string value can be written in its quoted form and read back to
// the same bytes: one terminator at the end, no line breaks or other
// control characters, no unpaired surrogates.
bool QuotableString(const RegValue& v) {
  if (v.type != regtype::kString || v.data.size() < 2 || v.data.size() % 2) return false;
  const size_t units = v.data.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    const char16_t c = static_cast<char16_t>(v.data[2 * i] | (v.data[2 * i + 1] << 8));
    if (i + 1 == units) return c == 0;
    if (c < 0x20 || c == 0x7F) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= units) return false;
      const char16_t next = static_cast<char16_t>(v.data[2 * i + 2] | (v.data[2 * i + 3] << 8));
      if (next < 0xDC00 || next > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return false;
}

void AppendHex(std::string& out, const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += ',';
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
}

}  // namespace

bool SameValueName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

RegValue StringValue(std::u16string name, std::u16string_view text) {
  RegValue v{std::move(name), regtype::kString, {}};
  v.data.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    v.data.push_back(static_cast<uint8_t>(c & 0xFF));
    v.data.push_back(static_cast<uint8_t>(c >> 8));
  }
  v.data.push_back(0);
  v.data.push_back(0);
  return v;
}

RegValue DwordValue(std::u16string name, uint32_t value) {
  return RegValue{std::move(name), regtype::kDword,
                  {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                   static_cast<uint8_t>(value >> 24)}};
}

std::u16string StringOfValue(const RegValue& value) {
  std::u16string text;
  for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::vector<RegValue> ParseRegText(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<RegValue> values;
  std::string logical;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A hex list may go on over several lines, each but the last ending in "\".
    if (!logical.empty()) {
      while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    }
    if (line.ends_with('\\') && (logical.size() + line.size()) < (1u << 24) &&
        (!logical.empty() || line.find("=hex") != std::string_view::npos)) {
      logical.append(line.substr(0, line.size() - 1));
      continue;
    }
    logical.append(line);
    std::string_view l = logical;
    while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
    if (!l.empty() && l.front() != ';' && l.front() != '[') {
      if (auto v = ParseValueLine(l)) {
        std::erase_if(values, [&](const RegValue& old) { return SameValueName(old.name, v->name); });
        values.push_back(std::move(*v));
      }
    }
    logical.clear();
  }
  return values;
}

std::string FormatRegText(const std::u16string& keyPath, const std::vector<RegValue>& values) {
  std::string out(kHeader);
  out += "\r\n\r\n[HKEY_CURRENT_USER\\" + Utf16ToUtf8(keyPath) + "]\r\n";
  for (const RegValue& v : values) {
    if (v.name.empty()) {
      out += '@';
    } else {
      AppendQuoted(out, Utf16ToUtf8(v.name));
    }
    out += '=';
    if (QuotableString(v)) {
      AppendQuoted(out, Utf16ToUtf8(StringOfValue(v)));
    } else if (v.type == regtype::kDword && v.data.size() == 4) {
      char digits[9];
      const uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
      static constexpr char kDigits[] = "0123456789abcdef";
      for (int i = 0; i < 8; ++i) digits[i] = kDigits[(n >> (28 - 4 * i)) & 15];
      digits[8] = 0;
      out += "dword:";
      out += digits;
    } else {
      if (v.type == regtype::kBinary) {
        out += "hex:";
      } else {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string t;
        for (uint32_t n = v.type; n || t.empty(); n >>= 4) t.insert(t.begin(), kDigits[n & 15]);
        out += "hex(" + t + "):";
      }
      AppendHex(out, v.data);
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace vard::platform
