#include "tools/kt5host/ScriptLine.h"

#include <charconv>
#include <limits>

#include "common/text/Utf.h"

namespace vard {
namespace {

constexpr char kQuoted = '\x01';

}  // namespace

std::string Unquoted(const std::string& w) { return !w.empty() && w[0] == kQuoted ? w.substr(1) : w; }

Whole ParseWhole(const std::string& w, int64_t* value) {
  const char* first = w.data();
  const char* last = w.data() + w.size();
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  const auto [end, ec] = std::from_chars(first, last, *value);
  if (first == last || end != last) return Whole::kNotANumber;
  return ec == std::errc::result_out_of_range ? Whole::kOutOfRange : ec == std::errc() ? Whole::kNumber : Whole::kNotANumber;
}

LineRead ReadScriptLine(std::istream& in, std::string& line) {
  line.clear();
  std::streambuf* buffer = in.rdbuf();
  if (!buffer) return LineRead::kEnd;
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) return line.empty() ? LineRead::kEnd : LineRead::kLine;
    if (c == '\n') return LineRead::kLine;
    if (line.size() == kMaxScriptLine) {
      in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
      return LineRead::kTooLong;
    }
    line += static_cast<char>(c);
  }
}

std::vector<std::string> SplitScriptLine(const std::string& line, bool* closed) {
  if (closed) *closed = true;
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      w += kQuoted;
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        w += line[i++];
      }
      if (i >= line.size() && closed) *closed = false;
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') w += line[i++];
    }
    words.push_back(w);
  }
  return words;
}

Variant ParseScriptValue(const std::string& w) {
  if (!w.empty() && w[0] == kQuoted) return Variant::String(Utf8ToUtf16(w.substr(1)));
  if (w == "-") return Variant();
  if (w == "true") return Variant::Bool(kVariantTrue);
  if (w == "false") return Variant::Bool(kVariantFalse);
  int64_t n = 0;
  if (ParseWhole(w, &n) == Whole::kNumber) {
    if (n >= INT32_MIN && n <= INT32_MAX) return Variant::I4(static_cast<int32_t>(n));
    return Variant::I8(n);
  }
  return Variant::String(Utf8ToUtf16(w));
}

std::string FormatVariant(const Variant& v) {
  switch (v.type) {
    case Variant::Type::kEmpty: return "(empty)";
    case Variant::Type::kString: return "\"" + Utf16ToUtf8(v.text) + "\"";
    case Variant::Type::kBool: return std::to_string(v.number) + (v.number == kVariantTrue ? " (true)" : " (false)");
    case Variant::Type::kArrayI4: return "[" + Utf16ToUtf8(v.ToText()) + "]";
    default: return std::to_string(v.number);
  }
}

}  // namespace vard
