#include "common/respack/MenuResource.h"

#include <algorithm>

namespace vard {
namespace {

constexpr uint16_t kMfPopup = 0x10;
constexpr uint16_t kMfEnd = 0x80;
constexpr uint32_t kMftSeparator = 0x800;
constexpr int kMaxDepth = 16;

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  bool U16(uint16_t& v) {
    if (data_.size() - at_ < 2) return false;  // at_ never passes the end
    v = uint16_t(data_[at_] | (data_[at_ + 1] << 8));
    at_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    uint16_t lo = 0, hi = 0;
    if (!U16(lo) || !U16(hi)) return false;
    v = lo | (uint32_t(hi) << 16);
    return true;
  }
  bool Text(std::u16string& out) {
    out.clear();
    for (uint16_t c = 0;;) {
      if (!U16(c)) return false;
      if (c == 0) return true;
      out.push_back(char16_t(c));
    }
  }
  bool AlignTo4() {
    // The padding after the last item may be missing; a later read fails
    // if anything was expected there.
    at_ = std::min((at_ + 3) & ~size_t(3), data_.size());
    return true;
  }
  bool Skip(size_t n) {
    if (n > data_.size() - at_) return false;
    at_ += n;
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  size_t at_ = 0;
};

bool ReadClassic(Reader& in, std::vector<MenuEntry>& out, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    uint16_t option = 0;
    if (!in.U16(option)) return false;
    MenuEntry entry;
    if (option & kMfPopup) {
      entry.popup = true;
    } else {
      uint16_t id = 0;
      if (!in.U16(id)) return false;
      entry.id = id;
    }
    if (!in.Text(entry.text)) return false;
    // The resource compiler writes a separator as an item without ID and text.
    entry.separator = (option & kMftSeparator) || (!entry.popup && entry.id == 0 && entry.text.empty());
    if (entry.popup && !ReadClassic(in, entry.children, depth + 1)) return false;
    out.push_back(std::move(entry));
    if (option & kMfEnd) return true;
  }
}

bool ReadExtended(Reader& in, std::vector<MenuEntry>& out, int depth) {
  if (depth > kMaxDepth) return false;
  for (;;) {
    uint32_t type = 0, state = 0, id = 0;
    uint16_t flags = 0;
    MenuEntry entry;
    if (!in.U32(type) || !in.U32(state) || !in.U32(id) || !in.U16(flags) || !in.Text(entry.text) ||
        !in.AlignTo4()) {
      return false;
    }
    entry.id = id;
    entry.separator = (type & kMftSeparator) != 0;
    if (flags & 0x01) {
      uint32_t helpId = 0;
      entry.popup = true;
      if (!in.U32(helpId) || !ReadExtended(in, entry.children, depth + 1)) return false;
    }
    out.push_back(std::move(entry));
    if (flags & kMfEnd) return true;
  }
}

}  // namespace

std::optional<std::vector<MenuEntry>> ParseMenu(std::span<const uint8_t> bytes) {
  Reader in(bytes);
  uint16_t version = 0, headerSize = 0;
  if (!in.U16(version) || !in.U16(headerSize)) return std::nullopt;
  std::vector<MenuEntry> entries;
  if (version == 0) {
    if (!in.Skip(headerSize) || !ReadClassic(in, entries, 0)) return std::nullopt;
  } else if (version == 1) {
    // headerSize is the offset of the items from the end of the 4-byte header.
    if (!in.Skip(headerSize) || !ReadExtended(in, entries, 0)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  return entries;
}

std::vector<MenuEntry> FirstPopupItems(std::span<const uint8_t> bytes) {
  const auto entries = ParseMenu(bytes);
  if (!entries) return {};
  for (const MenuEntry& e : *entries) {
    if (e.popup) return e.children;
  }
  return {};
}

}  // namespace vard
