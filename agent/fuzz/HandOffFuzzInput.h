#pragma once
// Input format of the hand-off reader fuzz target, shared with its seed
// generator. Byte 0: bit 0 picks the upload batch (else download), bit 1
// makes one region fail to open, bits 2-7 pick which one. Then each region
// of the batch in reading order: a 32-bit little-endian length and that many
// leading bytes; the rest of the region reads as zeros.
//
// Record regions are only as large as the records their count covers (at
// most kMaxFuzzRecords), so a read past the batch is caught and no input
// maps a region of hundreds of megabytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/handoff/HandOffRecords.h"

namespace vard::fuzz {

constexpr uint8_t kUploadBit = 1;
constexpr uint8_t kFailBit = 2;
constexpr int kMaxFuzzRecords = 4;

struct RegionSpec {
  const char16_t* name;
  size_t size;    // the real region's size
  size_t header;  // bytes before the first record; 0 for regions without records
  size_t stride;  // record size
};

inline const std::vector<RegionSpec>& DownloadRegions() {
  static const std::vector<RegionSpec> specs = {
      {region_name::kDownloadUrlNoti, sizeof(TextRegion), 0, 0},
      {region_name::kDownloadTitle, sizeof(TextRegion), 0, 0},
      {region_name::kDownloadCookie, sizeof(CookieRegion), 0, 0},
      {region_name::kDownload, sizeof(DownloadRecordRegion), offsetof(DownloadRecordRegion, records),
       sizeof(DOWNLOAD_INFO)}};
  return specs;
}

// The form-field region has no count of its own: the record region's count
// sizes it.
inline const std::vector<RegionSpec>& UploadRegions() {
  static const std::vector<RegionSpec> specs = {
      {region_name::kUploadUrlNoti, sizeof(TextRegion), 0, 0},
      {region_name::kUploadTitle, sizeof(TextRegion), 0, 0},
      {region_name::kUploadAction, sizeof(ActionRegion), 0, 0},
      {region_name::kUploadPostData, sizeof(PostDataRegion), offsetof(PostDataRegion, blocks), sizeof(POST_DATAS)},
      {region_name::kUpload, sizeof(UploadRecordRegion), offsetof(UploadRecordRegion, records),
       sizeof(FILE_INFO)}};
  return specs;
}

// Region bytes cut after their last non-zero byte, framed as above.
inline std::vector<uint8_t> Serialize(uint8_t mode, const std::vector<std::vector<uint8_t>>& regions) {
  std::vector<uint8_t> out{mode};
  for (const auto& bytes : regions) {
    size_t n = bytes.size();
    while (n > 0 && bytes[n - 1] == 0) --n;
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(n >> shift));
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
  }
  return out;
}

struct Piece {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// The pieces of `count` regions after byte 0; missing ones are empty, a
// length past the end takes what is left.
inline std::vector<Piece> Split(const uint8_t* data, size_t size, size_t count) {
  std::vector<Piece> pieces(count);
  size_t pos = 1;
  for (auto& piece : pieces) {
    if (pos + 4 > size) break;
    const size_t n = data[pos] | (data[pos + 1] << 8) | (data[pos + 2] << 16) | (size_t{data[pos + 3]} << 24);
    pos += 4;
    piece.data = data + pos;
    piece.size = n < size - pos ? n : size - pos;
    pos += piece.size;
  }
  return pieces;
}

}  // namespace vard::fuzz
