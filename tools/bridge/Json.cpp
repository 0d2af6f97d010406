#include "tools/bridge/Json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <system_error>

#include "common/text/JsonText.h"
#include "common/text/Utf.h"

namespace vard::bridge {

Json Json::Bool(bool v) {
  Json j;
  j.value_ = v;
  return j;
}

Json Json::Number(double v) {
  Json j;
  j.value_ = v;
  return j;
}

Json Json::String(std::string utf8) {
  Json j;
  j.value_ = std::move(utf8);
  return j;
}

Json Json::Array(std::vector<Json> items) {
  Json j;
  j.value_ = std::move(items);
  return j;
}

Json Json::Object() {
  Json j;
  j.value_ = MemberList();
  return j;
}

bool Json::AsBool() const {
  const bool* b = std::get_if<bool>(&value_);
  return b && *b;
}

double Json::AsNumber() const {
  const double* d = std::get_if<double>(&value_);
  return d ? *d : 0;
}

const std::string& Json::AsString() const {
  static const std::string none;
  const std::string* s = std::get_if<std::string>(&value_);
  return s ? *s : none;
}

const std::vector<Json>& Json::Items() const {
  static const std::vector<Json> none;
  const std::vector<Json>* items = std::get_if<std::vector<Json>>(&value_);
  return items ? *items : none;
}

const Json::MemberList& Json::Members() const {
  static const Json::MemberList none;
  const Json::MemberList* members = std::get_if<Json::MemberList>(&value_);
  return members ? *members : none;
}

std::optional<int64_t> Json::AsWhole() const {
  const double* d = std::get_if<double>(&value_);
  if (!d || !std::isfinite(*d) || std::trunc(*d) != *d) return std::nullopt;
  // 2^63 itself does not fit; every double below it that is whole does.
  if (*d < -9223372036854775808.0 || *d >= 9223372036854775808.0) return std::nullopt;
  return static_cast<int64_t>(*d);
}

const Json* Json::Find(std::string_view name) const {
  for (const auto& [key, value] : Members())
    if (key == name) return &value;
  return nullptr;
}

Json& Json::Set(std::string name, Json value) {
  if (type() != Type::kObject) value_ = Json::MemberList();
  auto& members = std::get<Json::MemberList>(value_);
  for (auto& [key, old] : members)
    if (key == name) {
      old = std::move(value);
      return *this;
    }
  members.emplace_back(std::move(name), std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  if (type() != Type::kArray) value_ = std::vector<Json>();
  std::get<std::vector<Json>>(value_).push_back(std::move(value));
  return *this;
}

namespace {

// Each level takes under 200 bytes of stack, so 64 levels stay far inside
// the smallest thread stack the host runs on.
constexpr int kMaxDepth = 64;
// A value takes 40 to 90 bytes (less on 32-bit targets) and a page's
// messages hold a handful: the budget keeps what any text builds to ~6 MB,
// which a new process pays for in page faults before anything else.
constexpr size_t kMaxValues = size_t{1} << 16;

using MemberList = Json::MemberList;

bool SortedNamesAreUnique(const MemberList& members) {
  std::vector<std::string_view> names;
  names.reserve(members.size());
  for (const auto& member : members) names.emplace_back(member.first);
  std::sort(names.begin(), names.end());
  return std::adjacent_find(names.begin(), names.end()) == names.end();
}

// Pairwise for the few members a message has; for the tens of thousands a
// hostile one may carry, a table of hashes, and sorted names when the
// names were chosen to collide (the hash has no secret seed).
bool NamesAreUnique(const MemberList& members) {
  constexpr size_t kPairwise = 16;
  const size_t n = members.size();
  if (n <= kPairwise) {
    for (size_t i = 1; i < n; ++i)
      for (size_t j = 0; j < i; ++j)
        if (members[i].first == members[j].first) return false;
    return true;
  }
  size_t size = 1;
  while (size < 2 * n) size <<= 1;
  constexpr uint32_t kFree = UINT32_MAX;
  std::vector<uint32_t> slots(size, kFree);
  size_t probes = 0;
  for (size_t i = 0; i < n; ++i) {
    const std::string& name = members[i].first;
    size_t at = std::hash<std::string_view>()(name) & (size - 1);
    for (; slots[at] != kFree; at = (at + 1) & (size - 1)) {
      if (members[slots[at]].first == name) return false;
      // At most half full, the table takes honest names in a probe or two.
      if (++probes > 8 * n) return SortedNamesAreUnique(members);
    }
    slots[at] = static_cast<uint32_t>(i);
  }
  return true;
}

// How many items the larger arrays and objects of a text hold, found in one
// quick pass before reading, so that each one's vector is allocated once
// instead of grown: growing touches about twice the memory, and a new
// process pays for each page it touches. Only a hint: a text the reader
// refuses may mislead it.
class ItemCounts {
 public:
  explicit ItemCounts(std::string_view s) {
    Scan(s);
    // Counts are found as containers close, inner ones first.
    std::sort(counts_.begin(), counts_.end(), [](const Count& a, const Count& b) { return a.ordinal < b.ordinal; });
  }

  // The items of the next container the reader opens (0: unknown or few).
  size_t Next() {
    const uint32_t ordinal = ordinal_++;
    while (next_ < counts_.size() && counts_[next_].ordinal < ordinal) ++next_;
    return next_ < counts_.size() && counts_[next_].ordinal == ordinal ? counts_[next_].items : 0;
  }

 private:
  // Smaller vectors grow in a few steps anyway.
  static constexpr uint32_t kFrom = 16;
  struct Count {
    uint32_t ordinal, items;
  };

  void Scan(std::string_view s) {
    struct Open {
      uint32_t ordinal, commas;
    } open[kMaxDepth];
    int depth = 0;
    uint32_t ordinal = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      switch (s[i]) {
        case '"':
          for (++i; i < s.size() && s[i] != '"'; ++i)
            if (s[i] == '\\') ++i;
          break;
        case '[':
        case '{':
          if (depth == kMaxDepth) return;  // the reader refuses it
          open[depth++] = {ordinal++, 0};
          break;
        case ']':
        case '}':
          if (depth == 0) return;
          --depth;
          if (open[depth].commas + 1 >= kFrom) counts_.push_back({open[depth].ordinal, open[depth].commas + 1});
          break;
        case ',':
          if (depth > 0) ++open[depth - 1].commas;
          break;
        default: break;
      }
    }
  }

  std::vector<Count> counts_;
  size_t next_ = 0;
  uint32_t ordinal_ = 0;
};

}  // namespace

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text), counts_(text) {}

  std::optional<Json> Document(std::string* error) {
    Json v;
    Blanks();
    bool read = Value(0, v);
    if (read) {
      Blanks();
      if (i_ != s_.size()) read = Fail("text after the value");
    }
    if (read) return v;
    if (error) *error = error_ + " at byte " + std::to_string(i_);
    return std::nullopt;
  }

 private:
  bool Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  void Blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
  }
  bool Word(std::string_view w) {
    if (s_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  // Asked before each value is added, so that no vector grows past the
  // budget.
  bool Room() { return values_ < kMaxValues || Fail("too many values"); }

  // Values are read into their place (`out` is null until then), so that
  // none is moved.
  bool Value(int depth, Json& out) {
    if (depth >= kMaxDepth) return Fail("nested too deeply");
    ++values_;
    if (i_ >= s_.size()) return Fail("a value is missing");
    const char c = s_[i_];
    if (c == '{') return ObjectValue(depth, out.value_.emplace<MemberList>());
    if (c == '[') return ArrayValue(depth, out.value_.emplace<std::vector<Json>>());
    if (c == '"') return StringBody(out.value_.emplace<std::string>());
    if (Word("true")) return out.value_ = true, true;
    if (Word("false")) return out.value_ = false, true;
    if (Word("null")) return true;
    if (c == '-' || (c >= '0' && c <= '9')) return NumberValue(out.value_.emplace<double>());
    return Fail("not a JSON value");
  }

  bool ObjectValue(int depth, MemberList& members) {
    ++i_;
    members.reserve(std::min(counts_.Next(), kMaxValues - values_));
    Blanks();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return true;
    }
    for (;;) {
      Blanks();
      if (i_ >= s_.size() || s_[i_] != '"') return Fail("a member name is missing");
      // Names are checked once the object is whole: Set's search per
      // member would make a large object quadratic.
      if (!Room()) return false;
      auto& member = members.emplace_back();
      if (!StringBody(member.first)) return false;
      Blanks();
      if (i_ >= s_.size() || s_[i_] != ':') return Fail("':' is missing");
      ++i_;
      Blanks();
      if (!Value(depth + 1, member.second)) return false;
      Blanks();
      if (i_ < s_.size() && s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (i_ < s_.size() && s_[i_] == '}') {
        // Two members of one name would let the bridge and the page's own
        // reading of a message disagree on which counts.
        if (!NamesAreUnique(members)) return Fail("a member name appears twice");
        ++i_;
        return true;
      }
      return Fail("',' or '}' is missing");
    }
  }

  bool ArrayValue(int depth, std::vector<Json>& items) {
    ++i_;
    items.reserve(std::min(counts_.Next(), kMaxValues - values_));
    Blanks();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      return true;
    }
    for (;;) {
      Blanks();
      if (!Room() || !Value(depth + 1, items.emplace_back())) return false;
      Blanks();
      if (i_ < s_.size() && s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (i_ < s_.size() && s_[i_] == ']') {
        ++i_;
        return true;
      }
      return Fail("',' or ']' is missing");
    }
  }

  size_t Digits() {
    const size_t from = i_;
    while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    return i_ - from;
  }

  bool NumberValue(double& v) {
    const size_t start = i_;
    const bool negative = s_[i_] == '-';
    if (negative) ++i_;
    const size_t whole = i_;
    if (i_ < s_.size() && s_[i_] == '0') {
      ++i_;
    } else if (Digits() == 0) {
      return Fail("a number needs digits");
    }
    const size_t wholeEnd = i_;
    size_t fraction = i_, fractionEnd = i_;
    if (i_ < s_.size() && s_[i_] == '.') {
      fraction = ++i_;
      if (Digits() == 0) return Fail("a fraction needs digits");
      fractionEnd = i_;
    }
    int64_t exponent = 0;
    const bool hasExponent = i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E');
    if (hasExponent) {
      ++i_;
      const bool down = i_ < s_.size() && s_[i_] == '-';
      if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
      const size_t from = i_;
      if (Digits() == 0) return Fail("an exponent needs digits");
      for (size_t k = from; k < i_; ++k)
        if (exponent < 1000000000) exponent = exponent * 10 + (s_[k] - '0');  // far past any double's
      if (down) exponent = -exponent;
    }
    // Whole numbers of up to 15 digits are exact in a double: the common
    // case, read directly.
    if (fraction == fractionEnd && !hasExponent && wholeEnd - whole <= 15) {
      int64_t n = 0;
      for (size_t k = whole; k < wholeEnd; ++k) n = n * 10 + (s_[k] - '0');
      v = static_cast<double>(negative ? -n : n);
      if (negative && n == 0) v = -0.0;
      return true;
    }
    // from_chars reads no locale and takes linear time however many digits
    // come (the C library's strtod need not).
    const auto [end, ec] = std::from_chars(s_.data() + start, s_.data() + i_, v);
    if (ec == std::errc::result_out_of_range) {
      // Too large, or too small to be told from zero: the value is in
      // [10^(order-1), 10^order).
      int64_t order = exponent;
      if (s_[whole] != '0') {
        order += static_cast<int64_t>(wholeEnd - whole);
      } else {
        size_t zeros = fraction;
        while (zeros < fractionEnd && s_[zeros] == '0') ++zeros;
        order -= static_cast<int64_t>(zeros - fraction);
      }
      if (order > 0) return Fail("a number beyond range");
      v = negative ? -0.0 : 0.0;
    } else if (ec != std::errc() || end != s_.data() + i_) {
      return Fail("a number that does not read");
    }
    return true;
  }

  bool Hex4(uint32_t& out) {
    if (s_.size() - i_ < 4) return false;
    out = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[i_++];
      out <<= 4;
      if (c >= '0' && c <= '9') out |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') out |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') out |= static_cast<uint32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  // One UTF-8 sequence copied as is; false when it is not well formed
  // (overlong forms, surrogates and values past U+10FFFF included).
  bool Utf8Sequence(std::string& out) {
    const auto b0 = static_cast<unsigned char>(s_[i_]);
    size_t n = 0;
    uint32_t cp = 0, min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) n = 1, cp = b0 & 0x1F, min = 0x80;
    else if (b0 >= 0xE0 && b0 <= 0xEF) n = 2, cp = b0 & 0x0F, min = 0x800;
    else if (b0 >= 0xF0 && b0 <= 0xF4) n = 3, cp = b0 & 0x07, min = 0x10000;
    else return false;
    if (s_.size() - i_ <= n) return false;
    for (size_t k = 1; k <= n; ++k) {
      const auto b = static_cast<unsigned char>(s_[i_ + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    out.append(s_.substr(i_, n + 1));
    i_ += n + 1;
    return true;
  }

  bool StringBody(std::string& out) {
    ++i_;  // the opening quote
    for (;;) {
      // Plain ASCII goes over in runs.
      const size_t run = i_;
      while (i_ < s_.size()) {
        const auto c = static_cast<unsigned char>(s_[i_]);
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
        ++i_;
      }
      out.append(s_.data() + run, i_ - run);
      if (i_ >= s_.size()) return Fail("a string is not closed");
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return Fail("a control character inside a string");
      if (c >= 0x80) {
        if (!Utf8Sequence(out)) return Fail("a string that is not UTF-8");
        continue;
      }
      ++i_;  // the backslash
      if (i_ >= s_.size()) return Fail("a string is not closed");
      const char e = s_[i_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = 0;
          if (!Hex4(cp)) return Fail("a bad \\u escape");
          if (cp >= 0xDC00 && cp <= 0xDFFF) return Fail("a lone surrogate escape");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t low = 0;
            if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
              return Fail("a lone surrogate escape");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: return Fail("a bad escape");
      }
    }
  }

  std::string_view s_;
  size_t i_ = 0;
  std::string error_;
  ItemCounts counts_;
  size_t values_ = 0;
};

namespace {

void Write(const Json& v, std::string& out) {
  switch (v.type()) {
    case Json::Type::kNull: out += "null"; break;
    case Json::Type::kBool: out += v.AsBool() ? "true" : "false"; break;
    case Json::Type::kNumber: {
      if (!std::isfinite(v.AsNumber())) {
        out += "null";
      } else if (const auto whole = v.AsWhole(); whole && std::fabs(v.AsNumber()) < 1e17) {
        out += std::to_string(*whole);
      } else {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", v.AsNumber());
        out += text;
      }
      break;
    }
    case Json::Type::kString: out += JsonQuote(Utf8ToUtf16(v.AsString())); break;
    case Json::Type::kArray: {
      out += '[';
      bool first = true;
      for (const Json& item : v.Items()) {
        if (!first) out += ',';
        first = false;
        Write(item, out);
      }
      out += ']';
      break;
    }
    case Json::Type::kObject: {
      out += '{';
      bool first = true;
      for (const auto& [key, item] : v.Members()) {
        if (!first) out += ',';
        first = false;
        out += JsonQuote(Utf8ToUtf16(key));
        out += ':';
        Write(item, out);
      }
      out += '}';
      break;
    }
  }
}

}  // namespace

std::optional<Json> ParseJson(std::string_view text, std::string* error) { return JsonReader(text).Document(error); }

std::string WriteJson(const Json& value) {
  std::string out;
  Write(value, out);
  return out;
}

}  // namespace vard::bridge
