#pragma once
// The values that cross the scripting surface: what a script passes to a
// member and what it gets back. Mirrors the VARIANT types the interface uses;
// the COM glue converts at the boundary.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vard {

constexpr int16_t kVariantTrue = -1;
constexpr int16_t kVariantFalse = 0;

struct Variant {
  enum class Type { kEmpty, kBool, kI2, kI4, kUI4, kI8, kString, kArrayI4 };

  Type type = Type::kEmpty;
  int64_t number = 0;  // kBool holds the raw VARIANT_BOOL value
  std::u16string text;
  std::vector<int32_t> array;

  static Variant Bool(int16_t v) { return {Type::kBool, v, {}, {}}; }
  static Variant I2(int16_t v) { return {Type::kI2, v, {}, {}}; }
  static Variant I4(int32_t v) { return {Type::kI4, v, {}, {}}; }
  static Variant UI4(uint32_t v) { return {Type::kUI4, v, {}, {}}; }
  static Variant I8(int64_t v) { return {Type::kI8, v, {}, {}}; }
  static Variant String(std::u16string v) { return {Type::kString, 0, std::move(v), {}}; }
  static Variant ArrayI4(std::vector<int32_t> v) { return {Type::kArrayI4, 0, {}, std::move(v)}; }

  bool IsEmpty() const { return type == Type::kEmpty; }

  // Conversions as VariantChangeType makes them; nullopt when impossible,
  // a number beyond the 64-bit range included (the overflow case).
  std::optional<int16_t> ToVariantBool() const;  // any non-zero number -> -1
  std::optional<int64_t> ToInteger() const;
  std::u16string ToText() const;
};

}  // namespace vard
