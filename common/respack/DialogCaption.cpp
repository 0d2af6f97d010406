#include "common/respack/DialogCaption.h"

#include <optional>

namespace vard {
namespace {

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  std::optional<uint16_t> Unit() {
    if (pos_ + 2 > bytes_.size()) return std::nullopt;
    const uint16_t v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  bool Skip(size_t n) {
    if (pos_ + n > bytes_.size()) return false;
    pos_ += n;
    return true;
  }
  // A name or an ordinal (menu, class): skipped.
  bool SkipNameOrOrdinal() {
    const auto first = Unit();
    if (!first) return false;
    if (*first == 0) return true;
    if (*first == 0xFFFF) return Skip(2);
    for (auto u = Unit(); u; u = Unit())
      if (*u == 0) return true;
    return false;
  }
  std::optional<std::u16string> Text() {
    std::u16string s;
    for (auto u = Unit(); u; u = Unit()) {
      if (*u == 0) return s;
      s += static_cast<char16_t>(*u);
    }
    return std::nullopt;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace

std::u16string DialogCaption(std::span<const uint8_t> t) {
  Reader r(t);
  const bool extended = t.size() >= 4 && t[0] == 1 && t[1] == 0 && t[2] == 0xFF && t[3] == 0xFF;
  // Extended: version, signature, help ID, extended style, style; classic:
  // style, extended style. Then the item count and the four coordinates.
  if (!r.Skip(extended ? 16 : 8) || !r.Skip(2 + 8)) return {};
  if (!r.SkipNameOrOrdinal() || !r.SkipNameOrOrdinal()) return {};
  return r.Text().value_or(std::u16string());
}

}  // namespace vard
