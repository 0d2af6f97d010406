#include "tools/bridge/Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/text/JsonText.h"
#include "common/text/Utf.h"

namespace vard::bridge {

Json Json::Bool(bool v) {
  Json j;
  j.type_ = Type::kBool;
  j.bool_ = v;
  return j;
}

Json Json::Number(double v) {
  Json j;
  j.type_ = Type::kNumber;
  j.number_ = v;
  return j;
}

Json Json::String(std::string utf8) {
  Json j;
  j.type_ = Type::kString;
  j.string_ = std::move(utf8);
  return j;
}

Json Json::Array(std::vector<Json> items) {
  Json j;
  j.type_ = Type::kArray;
  j.items_ = std::move(items);
  return j;
}

Json Json::Object() {
  Json j;
  j.type_ = Type::kObject;
  return j;
}

std::optional<int64_t> Json::AsWhole() const {
  if (type_ != Type::kNumber || !std::isfinite(number_) || std::trunc(number_) != number_) return std::nullopt;
  // 2^63 itself does not fit; every double below it that is whole does.
  if (number_ < -9223372036854775808.0 || number_ >= 9223372036854775808.0) return std::nullopt;
  return static_cast<int64_t>(number_);
}

const Json* Json::Find(std::string_view name) const {
  for (const auto& [key, value] : members_)
    if (key == name) return &value;
  return nullptr;
}

Json& Json::Set(std::string name, Json value) {
  for (auto& [key, old] : members_)
    if (key == name) {
      old = std::move(value);
      return *this;
    }
  members_.emplace_back(std::move(name), std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  items_.push_back(std::move(value));
  return *this;
}

namespace {

constexpr int kMaxDepth = 64;

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  std::optional<Json> Document(std::string* error) {
    Blanks();
    std::optional<Json> v = Value(0);
    if (v) {
      Blanks();
      if (i_ != s_.size()) v = Fail("text after the value");
    }
    if (!v && error) *error = error_ + " at byte " + std::to_string(i_);
    return v;
  }

 private:
  std::optional<Json> Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return std::nullopt;
  }
  void Blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
  }
  bool Word(std::string_view w) {
    if (s_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  std::optional<Json> Value(int depth) {
    if (depth >= kMaxDepth) return Fail("nested too deeply");
    if (i_ >= s_.size()) return Fail("a value is missing");
    const char c = s_[i_];
    if (c == '{') return ObjectValue(depth);
    if (c == '[') return ArrayValue(depth);
    if (c == '"') {
      std::string text;
      if (!StringBody(text)) return std::nullopt;
      return Json::String(std::move(text));
    }
    if (Word("true")) return Json::Bool(true);
    if (Word("false")) return Json::Bool(false);
    if (Word("null")) return Json();
    if (c == '-' || (c >= '0' && c <= '9')) return NumberValue();
    return Fail("not a JSON value");
  }

  std::optional<Json> ObjectValue(int depth) {
    ++i_;
    Json obj = Json::Object();
    Blanks();
    if (i_ < s_.size() && s_[i_] == '}') {
      ++i_;
      return obj;
    }
    for (;;) {
      Blanks();
      if (i_ >= s_.size() || s_[i_] != '"') return Fail("a member name is missing");
      std::string key;
      if (!StringBody(key)) return std::nullopt;
      Blanks();
      if (i_ >= s_.size() || s_[i_] != ':') return Fail("':' is missing");
      ++i_;
      Blanks();
      auto v = Value(depth + 1);
      if (!v) return std::nullopt;
      obj.Set(std::move(key), std::move(*v));
      Blanks();
      if (i_ < s_.size() && s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (i_ < s_.size() && s_[i_] == '}') {
        ++i_;
        return obj;
      }
      return Fail("',' or '}' is missing");
    }
  }

  std::optional<Json> ArrayValue(int depth) {
    ++i_;
    Json arr = Json::Array();
    Blanks();
    if (i_ < s_.size() && s_[i_] == ']') {
      ++i_;
      return arr;
    }
    for (;;) {
      Blanks();
      auto v = Value(depth + 1);
      if (!v) return std::nullopt;
      arr.Push(std::move(*v));
      Blanks();
      if (i_ < s_.size() && s_[i_] == ',') {
        ++i_;
        continue;
      }
      if (i_ < s_.size() && s_[i_] == ']') {
        ++i_;
        return arr;
      }
      return Fail("',' or ']' is missing");
    }
  }

  std::optional<Json> NumberValue() {
    const size_t start = i_;
    auto digits = [&] {
      const size_t from = i_;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
      return i_ - from;
    };
    if (s_[i_] == '-') ++i_;
    if (i_ < s_.size() && s_[i_] == '0') {
      ++i_;
    } else if (digits() == 0) {
      return Fail("a number needs digits");
    }
    if (i_ < s_.size() && s_[i_] == '.') {
      ++i_;
      if (digits() == 0) return Fail("a fraction needs digits");
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (i_ < s_.size() && (s_[i_] == '+' || s_[i_] == '-')) ++i_;
      if (digits() == 0) return Fail("an exponent needs digits");
    }
    // strtod wants a terminated copy and reads the "C" locale's point.
    const std::string text(s_.substr(start, i_ - start));
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) return Fail("a number beyond range");
    return Json::Number(v);
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
      if (i_ >= s_.size()) return Fail("a string is not closed"), false;
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return Fail("a control character inside a string"), false;
      if (c >= 0x80) {
        if (!Utf8Sequence(out)) return Fail("a string that is not UTF-8"), false;
        continue;
      }
      ++i_;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (i_ >= s_.size()) return Fail("a string is not closed"), false;
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
          if (!Hex4(cp)) return Fail("a bad \\u escape"), false;
          if (cp >= 0xDC00 && cp <= 0xDFFF) return Fail("a lone surrogate escape"), false;
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            uint32_t low = 0;
            if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
              return Fail("a lone surrogate escape"), false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default: return Fail("a bad escape"), false;
      }
    }
  }

  std::string_view s_;
  size_t i_ = 0;
  std::string error_;
};

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

std::optional<Json> ParseJson(std::string_view text, std::string* error) { return Parser(text).Document(error); }

std::string WriteJson(const Json& value) {
  std::string out;
  Write(value, out);
  return out;
}

}  // namespace vard::bridge
