#include "common/respack/ResourceImage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vard {
namespace {

constexpr uint32_t kRtMenu = 4;
constexpr uint32_t kRtDialog = 5;
constexpr uint32_t kRtString = 6;
constexpr uint32_t kResourceDirectoryIndex = 2;

struct ImageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A bounds-checked view; every accessor fails instead of reading past the end.
class Bytes {
 public:
  explicit Bytes(std::span<const uint8_t> data) : data_(data) {}
  size_t size() const { return data_.size(); }
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  uint16_t U16(uint64_t offset) const {
    Need(offset, 2);
    return uint16_t(data_[offset] | (data_[offset + 1] << 8));
  }
  uint32_t U32(uint64_t offset) const {
    Need(offset, 4);
    return uint32_t(data_[offset]) | (uint32_t(data_[offset + 1]) << 8) |
           (uint32_t(data_[offset + 2]) << 16) | (uint32_t(data_[offset + 3]) << 24);
  }
  std::span<const uint8_t> Slice(uint64_t offset, uint64_t length) const {
    Need(offset, length);
    return data_.subspan(size_t(offset), size_t(length));
  }

 private:
  void Need(uint64_t offset, uint64_t length) const {
    if (!Has(offset, length)) throw ImageError(kInvalidResourceDirectory);
  }
  std::span<const uint8_t> data_;
};

struct Headers {
  uint32_t sizeOfImage = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t resourceRva = 0;
  uint32_t resourceSize = 0;
  uint64_t sectionTable = 0;
  uint16_t sectionCount = 0;
};

Headers ReadHeaders(std::span<const uint8_t> file) {
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') throw ImageError(kInvalidDosHeader);
  const Bytes in(file);
  const uint64_t nt = in.U32(0x3C);
  // Signature, file header (20 bytes) and the optional header's magic.
  if (!in.Has(nt, 4 + 20 + 2) || std::memcmp(file.data() + nt, "PE\0\0", 4) != 0) {
    throw ImageError(kInvalidNtHeader);
  }
  Headers h;
  h.sectionCount = in.U16(nt + 6);
  const uint16_t optionalSize = in.U16(nt + 20);
  const uint64_t opt = nt + 24;
  const uint16_t magic = in.U16(opt);
  uint64_t dirCountAt = 0;
  if (magic == 0x10B) {
    dirCountAt = opt + 92;
  } else if (magic == 0x20B) {
    dirCountAt = opt + 108;
  } else {
    throw ImageError(kInvalidNtHeader);
  }
  if (!in.Has(opt, optionalSize) || dirCountAt + 4 > opt + optionalSize) {
    throw ImageError(kInvalidNtHeader);
  }
  h.sizeOfImage = in.U32(opt + 56);
  h.sizeOfHeaders = in.U32(opt + 60);
  const uint32_t dirCount = in.U32(dirCountAt);
  const uint64_t dirEntry = dirCountAt + 4 + uint64_t(kResourceDirectoryIndex) * 8;
  if (dirCount > kResourceDirectoryIndex && dirEntry + 8 <= opt + optionalSize) {
    h.resourceRva = in.U32(dirEntry);
    h.resourceSize = in.U32(dirEntry + 4);
  }
  h.sectionTable = opt + optionalSize;
  return h;
}

// Headers and sections at their virtual addresses, as the loader lays them
// out.
std::vector<uint8_t> LayOut(std::span<const uint8_t> file, const Headers& h) {
  if (h.sizeOfImage == 0 || h.sizeOfImage > kMaxImageSize) throw ImageError(kCannotReserve);
  std::vector<uint8_t> image;
  try {
    image.assign(h.sizeOfImage, 0);
  } catch (const std::bad_alloc&) {
    throw ImageError(kCannotReserve);
  }
  // The loader refuses an image whose parts lie outside the file or the
  // image; so do we.
  auto copy = [&](uint64_t from, uint64_t to, uint64_t length) {
    if (length == 0) return;
    if (from > file.size() || length > file.size() - from || to > image.size() ||
        length > image.size() - to) {
      throw ImageError(kInvalidNtHeader);
    }
    std::memcpy(image.data() + to, file.data() + from, size_t(length));
  };
  copy(0, 0, std::min<uint64_t>({h.sizeOfHeaders, file.size(), image.size()}));
  const Bytes in(file);
  for (uint16_t i = 0; i < h.sectionCount; ++i) {
    const uint64_t s = h.sectionTable + uint64_t(i) * 40;
    if (!in.Has(s, 40)) throw ImageError(kInvalidNtHeader);
    const uint32_t virtualSize = in.U32(s + 8);
    const uint32_t virtualAddress = in.U32(s + 12);
    const uint32_t rawSize = in.U32(s + 16);
    const uint32_t rawPointer = in.U32(s + 20);
    const uint32_t length = virtualSize == 0 ? rawSize : std::min(rawSize, virtualSize);
    copy(rawPointer, virtualAddress, length);
  }
  return image;
}

struct DirectoryEntry {
  uint32_t id;
  uint32_t offset;  // high bit: a sub-directory
};

// The ID entries of the directory at `offset` (named entries are skipped:
// the tables are looked up by number only). At most `limit` entries.
std::vector<DirectoryEntry> IdEntries(const Bytes& rsrc, uint64_t offset, uint32_t limit = 0x20000) {
  const uint16_t named = rsrc.U16(offset + 12);
  const uint16_t ids = rsrc.U16(offset + 14);
  std::vector<DirectoryEntry> entries;
  const uint64_t first = offset + 16;
  for (uint32_t i = named; i < uint32_t(named) + ids && entries.size() < limit; ++i) {
    const uint64_t e = first + uint64_t(i) * 8;
    if (!rsrc.Has(e, 8)) break;
    const uint32_t name = rsrc.U32(e);
    if (name & 0x80000000u) continue;
    entries.push_back({name & 0xFFFF, rsrc.U32(e + 4)});
  }
  return entries;
}

// The data of the first language of one resource: name entry -> language
// directory -> data entry -> bytes in the image.
std::optional<std::span<const uint8_t>> ResourceData(const Bytes& image, const Bytes& rsrc,
                                                     const DirectoryEntry& entry) {
  if (!(entry.offset & 0x80000000u)) return std::nullopt;
  // Only the first language is used: reading one entry keeps crafted
  // directories from costing names x languages steps.
  const std::vector<DirectoryEntry> languages = IdEntries(rsrc, entry.offset & 0x7FFFFFFFu, 1);
  if (languages.empty() || (languages.front().offset & 0x80000000u)) return std::nullopt;
  const uint64_t dataEntry = languages.front().offset;
  const uint32_t rva = rsrc.U32(dataEntry);
  const uint32_t size = rsrc.U32(dataEntry + 4);
  if (!image.Has(rva, size)) return std::nullopt;
  return image.Slice(rva, size);
}

// A string block of ID n holds texts (n-1)*16 .. (n-1)*16+15, each a
// count of UTF-16 units followed by the units; empty texts are absent.
void ReadStringBlock(uint32_t blockId, std::span<const uint8_t> data, LanguageTables& tables) {
  if (blockId == 0) return;
  const Bytes in(data);
  uint64_t at = 0;
  for (uint32_t i = 0; i < 16; ++i) {
    if (!in.Has(at, 2)) return;
    const uint16_t length = in.U16(at);
    at += 2;
    if (!in.Has(at, uint64_t(length) * 2)) return;
    if (length > 0) {
      std::u16string text(length, u'\0');
      for (uint16_t k = 0; k < length; ++k) text[k] = char16_t(in.U16(at + uint64_t(k) * 2));
      tables.strings[(blockId - 1) * 16 + i] = std::move(text);
    }
    at += uint64_t(length) * 2;
  }
}

LanguageTables ReadTables(const std::vector<uint8_t>& laidOut, const Headers& h) {
  LanguageTables tables;
  if (h.resourceRva == 0) return tables;
  const Bytes image(laidOut);
  if (!image.Has(h.resourceRva, 16)) throw ImageError(kInvalidResourceDirectory);
  // Offsets inside the resource tree are relative to its start; the tree
  // may not reach past the image.
  const Bytes rsrc(std::span<const uint8_t>(laidOut).subspan(h.resourceRva));
  uint64_t budget = laidOut.size();
  for (const DirectoryEntry& type : IdEntries(rsrc, 0)) {
    if (type.id != kRtString && type.id != kRtDialog && type.id != kRtMenu) continue;
    if (!(type.offset & 0x80000000u)) continue;
    for (const DirectoryEntry& name : IdEntries(rsrc, type.offset & 0x7FFFFFFFu)) {
      const auto data = ResourceData(image, rsrc, name);
      if (!data) continue;
      // Real resources do not overlap, so together they fit in the image;
      // entries that share data could otherwise make us copy it many times.
      if (data->size() > budget) throw ImageError(kInvalidResourceDirectory);
      budget -= data->size();
      if (type.id == kRtString) {
        ReadStringBlock(name.id, *data, tables);
      } else {
        auto& into = type.id == kRtDialog ? tables.dialogs : tables.menus;
        into[name.id].assign(data->begin(), data->end());
      }
    }
  }
  return tables;
}

}  // namespace

std::optional<LanguageTables> ReadResourceImage(std::span<const uint8_t> file, std::string* error) {
  try {
    const Headers headers = ReadHeaders(file);
    const std::vector<uint8_t> image = LayOut(file, headers);
    return ReadTables(image, headers);
  } catch (const ImageError& e) {
    if (error) *error = e.what();
    return std::nullopt;
  }
}

}  // namespace vard
