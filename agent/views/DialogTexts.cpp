#include "agent/views/DialogTexts.h"

#include <optional>

#include "common/respack/LanguageStore.h"

namespace vard {
namespace {

constexpr uint32_t kSetFont = 0x40;  // DS_SETFONT (DS_SHELLFONT includes it)

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  std::optional<uint32_t> Bytes(size_t n) {
    if (pos_ + n > bytes_.size()) return std::nullopt;
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(bytes_[pos_ + i]) << (8 * i);
    pos_ += n;
    return v;
  }
  bool Skip(size_t n) {
    if (pos_ + n > bytes_.size()) return false;
    pos_ += n;
    return true;
  }
  bool AlignDword() { return Skip((4 - pos_ % 4) % 4); }
  // A name or an ordinal; the name as text, an ordinal as nothing.
  std::optional<std::u16string> NameOrOrdinal() {
    auto first = Bytes(2);
    if (!first) return std::nullopt;
    if (*first == 0xFFFF) return Bytes(2) ? std::optional<std::u16string>(u"") : std::nullopt;
    std::u16string s;
    for (auto u = first; u; u = Bytes(2)) {
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

std::map<int, std::u16string> DialogControlTexts(std::span<const uint8_t> t) {
  std::map<int, std::u16string> texts;
  int unnamed = 0;
  Reader r(t);
  const bool extended = t.size() >= 4 && t[0] == 1 && t[1] == 0 && t[2] == 0xFF && t[3] == 0xFF;
  std::optional<uint32_t> style;
  if (extended) {
    if (!r.Skip(12) || !(style = r.Bytes(4))) return texts;
  } else {
    if (!(style = r.Bytes(4)) || !r.Skip(4)) return texts;
  }
  const auto count = r.Bytes(2);
  if (!count || !r.Skip(8)) return texts;
  if (!r.NameOrOrdinal() || !r.NameOrOrdinal() || !r.NameOrOrdinal()) return texts;
  if (*style & kSetFont) {
    if (!r.Skip(extended ? 6 : 2) || !r.NameOrOrdinal()) return texts;
  }
  for (uint32_t i = 0; i < *count; ++i) {
    if (!r.AlignDword()) return texts;
    std::optional<uint32_t> id;
    if (extended) {
      if (!r.Skip(20) || !(id = r.Bytes(4))) return texts;
    } else {
      if (!r.Skip(16) || !(id = r.Bytes(2))) return texts;
    }
    if (!r.NameOrOrdinal()) return texts;  // class
    auto text = r.NameOrOrdinal();
    auto extra = text ? r.Bytes(2) : std::nullopt;
    if (!extra || !r.Skip(*extra)) return texts;
    int controlId = extended ? static_cast<int32_t>(*id) : static_cast<int16_t>(*id);
    if (text->empty()) continue;
    if (controlId == -1) controlId = --unnamed;
    texts[controlId] = *text;
  }
  return texts;
}

std::map<int, std::u16string> LanguageDialogTexts(uint32_t id) {
  auto bytes = LanguageStore::Instance().DialogTemplate(id);
  if (!bytes) return {};
  return DialogControlTexts(*bytes);
}

}  // namespace vard
