#pragma once
// printf-style formatting of UTF-16 texts whose format strings come from
// language packs ("%d개", "All files : %d (%s)"). Arguments are typed, so a
// pack's format can never read memory it was not given: a missing argument
// formats as nothing, a type mismatch is converted.
// Supported: %[-0+ #][width][.precision][h|l|ll|I64]{d,i,u,x,X,c,s,S,%}.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace vard {

class FormatArg {
 public:
  template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  FormatArg(T v) : isText_(false), number_(static_cast<int64_t>(v)) {}
  FormatArg(std::u16string_view text) : isText_(true), text_(text) {}
  FormatArg(const char16_t* text) : isText_(true), text_(text ? text : u"") {}
  FormatArg(const std::u16string& text) : isText_(true), text_(text) {}

  bool IsText() const { return isText_; }
  int64_t Number() const { return number_; }
  std::u16string_view Text() const { return text_; }

 private:
  bool isText_;
  int64_t number_ = 0;
  std::u16string_view text_;
};

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args);

}  // namespace vard
