#pragma once
// A small JSON value with a strict reader and a writer: what the bridge
// speaks with the browser. Strings are UTF-8; numbers are doubles that also
// remember whether they were written as whole numbers.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vard::bridge {

class JsonReader;

class Json {
 public:
  // In the order of the value's alternatives below.
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  using MemberList = std::vector<std::pair<std::string, Json>>;

  Json() = default;
  static Json Bool(bool v);
  static Json Number(double v);
  static Json String(std::string utf8);
  static Json Array(std::vector<Json> items = {});
  static Json Object();

  Type type() const { return static_cast<Type>(value_.index()); }
  bool IsNull() const { return type() == Type::kNull; }
  // The value as the type asked for; false, 0 or empty for another type.
  bool AsBool() const;
  double AsNumber() const;
  // The number as a whole number, when it is one that a 64-bit integer holds.
  std::optional<int64_t> AsWhole() const;
  const std::string& AsString() const;
  const std::vector<Json>& Items() const;
  const MemberList& Members() const;

  // Object member by name; null when absent or not an object. Looks
  // through the members in turn: callers ask a message for a few names.
  const Json* Find(std::string_view name) const;
  // Adds (or replaces) an object member; returns *this for chaining. A
  // value that is not an object becomes an empty one first (Push: array).
  Json& Set(std::string name, Json value);
  Json& Push(Json value);

 private:
  friend class JsonReader;  // adds members without a search, checking names once

  // One alternative at a time keeps a value small (40 bytes on 64-bit
  // targets): a message may hold 65,536 of them.
  std::variant<std::monostate, bool, double, std::string, std::vector<Json>, MemberList> value_;
};

// Parses one JSON text (surrounding blanks allowed, nothing else). Refuses
// nesting deeper than 64 levels, more than 65,536 values, objects with two
// members of the same name, invalid UTF-8 in strings, lone surrogate escapes
// and numbers beyond a double's range (those too small read as zero);
// `error` says why. Time and memory stay about linear in the length.
std::optional<Json> ParseJson(std::string_view text, std::string* error);

// Compact JSON text; non-finite numbers are written as null.
std::string WriteJson(const Json& value);

}  // namespace vard::bridge
