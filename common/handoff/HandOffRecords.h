#pragma once
// The records and regions that carry a batch from a page component to the
// agent. Fixed little-endian layouts: both sides and the saved-downloads file
// depend on every offset, so each one is pinned below. Text fields are
// NUL-terminated UTF-16 in fixed arrays; read them bounded (FromFixedField).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text/Utf.h"

namespace vard {

constexpr int kMaxHandOffRecords = 999;
constexpr int kPostPairs = 99;

struct COOKIE_INFO {
  int32_t resume_by_query;  // 1 = resume with "_filesize=", else a Range header
  char16_t cookie[2048];
};

struct DOWNLOAD_INFO {
  int32_t state;  // 1 = still to be downloaded, 2 = finished or removed
  uint8_t is_folder;
  uint8_t reserved1[3];
  int64_t file_size;
  char16_t file_name[261];
  char16_t folder[522];
  char16_t url[2085];  // "this_is_folder" marks a folder-only entry
  int32_t speed_limit_kb;
  int32_t reserved2;
};

struct FILE_INFO {
  uint8_t utf8_names;
  uint8_t reserved1[3];
  int32_t icon_index;
  uint8_t is_folder;
  uint8_t reserved2[7];
  int64_t file_size;
  char16_t path[261];
  char16_t folder[261];
  int32_t reserved3;
};

struct ACTION_INFO {
  int32_t part_size;
  int32_t reserved;
  char16_t action_url[261];
  char16_t cookie[1025];
};

struct POST_PAIR {
  char16_t name[256];
  char16_t value[1024];
};

struct POST_DATAS {
  POST_PAIR pairs[kPostPairs];
};

// Regions.
struct TextRegion {
  int32_t reserved;
  char16_t text[512];
};
struct CookieRegion {
  int32_t count;  // 0 or 1
  COOKIE_INFO info;
};
struct DownloadRecordRegion {
  int32_t count;
  int32_t reserved;
  DOWNLOAD_INFO records[kMaxHandOffRecords];
};
struct UploadRecordRegion {
  int32_t count;
  int32_t reserved;
  FILE_INFO records[kMaxHandOffRecords];
};
struct ActionRegion {
  int32_t present;
  ACTION_INFO info;
};
struct PostDataRegion {
  int32_t reserved;
  POST_DATAS blocks[kMaxHandOffRecords];
};

static_assert(sizeof(COOKIE_INFO) == 4100);
static_assert(offsetof(COOKIE_INFO, cookie) == 4);

static_assert(sizeof(DOWNLOAD_INFO) == 5760);
static_assert(offsetof(DOWNLOAD_INFO, state) == 0);
static_assert(offsetof(DOWNLOAD_INFO, is_folder) == 4);
static_assert(offsetof(DOWNLOAD_INFO, file_size) == 8);
static_assert(offsetof(DOWNLOAD_INFO, file_name) == 16);
static_assert(offsetof(DOWNLOAD_INFO, folder) == 538);
static_assert(offsetof(DOWNLOAD_INFO, url) == 1582);
static_assert(offsetof(DOWNLOAD_INFO, speed_limit_kb) == 5752);

static_assert(sizeof(FILE_INFO) == 1072);
static_assert(offsetof(FILE_INFO, utf8_names) == 0);
static_assert(offsetof(FILE_INFO, icon_index) == 4);
static_assert(offsetof(FILE_INFO, is_folder) == 8);
static_assert(offsetof(FILE_INFO, file_size) == 16);
static_assert(offsetof(FILE_INFO, path) == 24);
static_assert(offsetof(FILE_INFO, folder) == 546);

static_assert(sizeof(ACTION_INFO) == 2580);
static_assert(offsetof(ACTION_INFO, part_size) == 0);
static_assert(offsetof(ACTION_INFO, action_url) == 8);
static_assert(offsetof(ACTION_INFO, cookie) == 530);

static_assert(sizeof(POST_PAIR) == 2560);
static_assert(offsetof(POST_PAIR, value) == 512);
static_assert(sizeof(POST_DATAS) == 253440);

static_assert(sizeof(TextRegion) == 1028);
static_assert(offsetof(TextRegion, text) == 4);
static_assert(sizeof(CookieRegion) == 4104);
static_assert(offsetof(CookieRegion, info) == 4);
static_assert(sizeof(DownloadRecordRegion) == 5754248);
static_assert(offsetof(DownloadRecordRegion, records) == 8);
static_assert(sizeof(UploadRecordRegion) == 1070936);
static_assert(offsetof(UploadRecordRegion, records) == 8);
static_assert(sizeof(ActionRegion) == 2584);
static_assert(offsetof(ActionRegion, info) == 4);
static_assert(sizeof(PostDataRegion) == 253186564);
static_assert(offsetof(PostDataRegion, blocks) == 4);

// Region names, as both sides spell them.
namespace region_name {
inline constexpr char16_t kDownloadUrlNoti[] = u"vardel_SharedMemory_MWKTPlusProc_Download_URLNoti";
inline constexpr char16_t kDownloadTitle[] = u"vardel_SharedMemory_MWKTPlusProc_Download_title";
inline constexpr char16_t kDownloadCookie[] = u"vardel_SharedMemory_MWKTPlusProc_Download_Cookie";
inline constexpr char16_t kDownload[] = u"vardel_SharedMemory_MWKTPlusProc_Download";
inline constexpr char16_t kUploadUrlNoti[] = u"vardel_SharedMemory_MWKTPlusProc_Upload_URLNoti";
inline constexpr char16_t kUploadTitle[] = u"vardel_SharedMemory_MWKTPlusProc_Upload_title";
inline constexpr char16_t kUploadAction[] = u"vardel_SharedMemory_ActionInfo_MWKTPlusProc_Upload";
inline constexpr char16_t kUploadPostData[] = u"vardel_SharedMemory_PostData_MWKTPlusProc_Upload";
inline constexpr char16_t kUpload[] = u"vardel_SharedMemory_MWKTPlusProc_Upload";
}  // namespace region_name

// Region names with an optional suffix, so tests can run beside real users.
struct HandOffNames {
  std::u16string suffix;
  std::u16string operator()(const char16_t* base) const { return base + suffix; }
};

// Copies `text` into a fixed field, cut to capacity - 1 units, NUL-terminated,
// the rest of the field zeroed.
void StoreFixedField(char16_t* field, size_t capacity, std::u16string_view text);
template <size_t N>
void StoreField(char16_t (&field)[N], std::u16string_view text) {
  StoreFixedField(field, N, text);
}
// What a fixed field of `capacity` units keeps of `text`.
std::u16string FieldCut(std::u16string_view text, size_t capacity);
// Bounded read of a fixed field (never past its capacity).
template <size_t N>
std::u16string ReadField(const char16_t (&field)[N]) {
  return FromFixedField(field, N);
}

// A count field as readers must take it: negative is 0, above 999 is 999.
int ClampedCount(int32_t count);

}  // namespace vard
