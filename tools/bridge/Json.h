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
#include <vector>

namespace vard::bridge {

class Json {
 public:
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };

  Json() = default;
  static Json Bool(bool v);
  static Json Number(double v);
  static Json String(std::string utf8);
  static Json Array(std::vector<Json> items = {});
  static Json Object();

  Type type() const { return type_; }
  bool IsNull() const { return type_ == Type::kNull; }
  bool AsBool() const { return bool_; }
  double AsNumber() const { return number_; }
  // The number as a whole number, when it is one that a 64-bit integer holds.
  std::optional<int64_t> AsWhole() const;
  const std::string& AsString() const { return string_; }
  const std::vector<Json>& Items() const { return items_; }
  const std::vector<std::pair<std::string, Json>>& Members() const { return members_; }

  // Object member by name; null when absent or not an object.
  const Json* Find(std::string_view name) const;
  // Adds (or replaces) an object member; returns *this for chaining.
  Json& Set(std::string name, Json value);
  Json& Push(Json value);

 private:
  Type type_ = Type::kNull;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
};

// Parses one JSON text (surrounding blanks allowed, nothing else). Refuses
// nesting deeper than 64, invalid UTF-8 in strings, lone surrogate escapes
// and numbers beyond a double's range; `error` says why.
std::optional<Json> ParseJson(std::string_view text, std::string* error);

// Compact JSON text; non-finite numbers are written as null.
std::string WriteJson(const Json& value);

}  // namespace vard::bridge
