// libFuzzer target: random region contents (and failing regions) fed to the
// download and the upload reader. Each region is a heap buffer of exactly
// its size, so AddressSanitizer reports any read outside a region.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agent/HandOffReader.h"
#include "common/handoff/HandOffRecords.h"

namespace vard {
namespace {

struct Buffer {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
  size_t dirty = 0;  // bytes that may be non-zero
};

class FuzzRegions : public IRegionSource {
 public:
  std::unique_ptr<IRegionMapping> Open(const std::u16string& name, size_t size) override {
    if (failing & (1u << Index(name))) return nullptr;
    Buffer& b = Get(name, size);
    if (b.size != size) return nullptr;
    return std::make_unique<Mapping>(b);
  }
  Buffer& Get(const std::u16string& name, size_t size) {
    Buffer& b = buffers_[name];
    if (!b.bytes) {
      b.bytes.reset(new uint8_t[size]());
      b.size = size;
    }
    return b;
  }
  static unsigned Index(const std::u16string& name) {
    static const char16_t* const kNames[] = {
        region_name::kDownloadUrlNoti, region_name::kDownloadTitle, region_name::kDownloadCookie,
        region_name::kDownload,        region_name::kUploadUrlNoti, region_name::kUploadTitle,
        region_name::kUploadAction,    region_name::kUploadPostData, region_name::kUpload};
    for (unsigned i = 0; i < 9; ++i)
      if (name == kNames[i]) return i;
    return 31;
  }
  uint32_t failing = 0;

 private:
  class Mapping : public IRegionMapping {
   public:
    explicit Mapping(Buffer& b) : b_(b) {}
    uint8_t* Data() override { return b_.bytes.get(); }
    void ZeroFill() override {
      std::memset(b_.bytes.get(), 0, b_.dirty);
      b_.dirty = 0;
    }

   private:
    Buffer& b_;
  };
  std::map<std::u16string, Buffer> buffers_;
};

struct NullView : IHandOffView {
  void SetNotificationUrl(const std::u16string&) override {}
  void SetMainCaption(const std::u16string&) override {}
  void ShowMessage(const std::u16string&, const std::u16string&) override {}
  int IconIndex(const std::u16string& name, uint32_t) override { return static_cast<int>(name.size()); }
  void AddToJobTotal(int64_t) override {}
  void ShowBatch(size_t) override {}
  bool UploadJobRunning() override { return false; }
  void StartUploadJob() override {}
};

// Spreads the input over the regions: per region a 16-bit length, then that
// many bytes at a 16-bit-chosen record offset, so later records get data too.
void Fill(FuzzRegions& regions, const uint8_t* data, size_t size, const char16_t* const* names,
          const size_t* sizes, const size_t* strides, int n) {
  size_t pos = 0;
  for (int i = 0; i < n; ++i) {
    Buffer& b = regions.Get(names[i], sizes[i]);
    std::memset(b.bytes.get(), 0, b.dirty);
    b.dirty = 0;
    if (pos + 4 > size) continue;
    const size_t len = data[pos] | (data[pos + 1] << 8);
    const size_t slot = data[pos + 2] | (data[pos + 3] << 8);
    pos += 4;
    const size_t take = std::min(len, size - pos);
    // The first bytes always go to the start (counts), the rest into a record.
    const size_t head = std::min<size_t>(take, 16);
    std::memcpy(b.bytes.get(), data + pos, head);
    size_t at = strides[i] ? (sizes[i] == sizeof(PostDataRegion) ? 4 : 8) + (slot % kMaxHandOffRecords) * strides[i] : 16;
    const size_t rest = std::min(take - head, sizes[i] > at ? sizes[i] - at : 0);
    std::memcpy(b.bytes.get() + at, data + pos + head, rest);
    b.dirty = std::max(head, at + rest);
    pos += take;
  }
}

}  // namespace
}  // namespace vard

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vard;
  static FuzzRegions regions;
  if (size < 1) return 0;
  const bool upload = data[0] & 1;
  regions.failing = (data[0] & 2) ? (1u << ((data[0] >> 2) % 9)) : 0;
  NullView view;
  EntryList list;
  HandOffReaderSetup setup;
  setup.regions = &regions;
  if (!upload) {
    const char16_t* names[] = {region_name::kDownloadUrlNoti, region_name::kDownloadTitle,
                               region_name::kDownloadCookie, region_name::kDownload};
    const size_t sizes[] = {sizeof(TextRegion), sizeof(TextRegion), sizeof(CookieRegion),
                            sizeof(DownloadRecordRegion)};
    const size_t strides[] = {0, 0, 0, sizeof(DOWNLOAD_INFO)};
    // Twice, so the second batch meets the names of the first.
    for (int round = 0; round < 2; ++round) {
      Fill(regions, data + 1, size - 1, names, sizes, strides, 4);
      DownloadHandOffReader(view, list, setup).ReadHandOff();
    }
  } else {
    const char16_t* names[] = {region_name::kUploadUrlNoti, region_name::kUploadTitle, region_name::kUploadAction,
                               region_name::kUploadPostData, region_name::kUpload};
    const size_t sizes[] = {sizeof(TextRegion), sizeof(TextRegion), sizeof(ActionRegion), sizeof(PostDataRegion),
                            sizeof(UploadRecordRegion)};
    const size_t strides[] = {0, 0, 0, sizeof(POST_DATAS), sizeof(FILE_INFO)};
    Fill(regions, data + 1, size - 1, names, sizes, strides, 5);
    UploadHandOffReader(view, list, setup).ReadHandOff();
  }
  for (const auto& e : list)
    for (int c = 0; c < 6; ++c) (void)e->Text(c);
  return 0;
}
