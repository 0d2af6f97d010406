// libFuzzer target: region contents (and a failing region) fed to the
// download and the upload reader, in the format of HandOffFuzzInput.h. Each
// region is a heap buffer of exactly the bytes the batch may touch, so
// AddressSanitizer reports any read outside them.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "agent/HandOffReader.h"
#include "agent/fuzz/HandOffFuzzInput.h"

namespace vard {
namespace {

// One region's bytes, from calloc: large blocks come zeroed from the system,
// so pages the reader never touches cost nothing.
class Buffer {
 public:
  Buffer() = default;
  Buffer(const char16_t* name, size_t realSize, size_t size)
      : name_(name), realSize_(realSize), size_(size), bytes_(static_cast<uint8_t*>(std::calloc(size ? size : 1, 1))) {}
  // Bytes [0, Filled()) came from the input; the rest are still zero.
  void Fill(const fuzz::Piece& piece) {
    filled_ = std::min(piece.size, size_);
    if (filled_) std::memcpy(bytes_.get(), piece.data, filled_);
  }
  size_t Filled() const { return filled_; }
  const char16_t* Name() const { return name_; }
  size_t RealSize() const { return realSize_; }
  size_t Size() const { return size_; }
  uint8_t* Data() const { return bytes_.get(); }

 private:
  struct Free {
    void operator()(uint8_t* p) const { std::free(p); }
  };
  const char16_t* name_ = u"";
  size_t realSize_ = 0, size_ = 0, filled_ = 0;
  std::unique_ptr<uint8_t, Free> bytes_;
};

class FuzzRegions : public IRegionSource {
 public:
  // Lays out one batch's regions from the input.
  void Load(const std::vector<fuzz::RegionSpec>& specs, const uint8_t* data, size_t size) {
    buffers_.clear();
    buffers_.resize(specs.size());
    const auto pieces = fuzz::Split(data, size, specs.size());
    failing_ = (data[0] & fuzz::kFailBit) ? specs[(data[0] >> 2) % specs.size()].name : nullptr;
    // The last region holds the records and their count; the form fields
    // (upload) have one block per record, so it is laid out first.
    int records = 0;
    for (size_t i = specs.size(); i-- > 0;) {
      const auto& spec = specs[i];
      const fuzz::Piece& piece = pieces[i];
      const bool counts = i == specs.size() - 1;
      int32_t count = 0;
      if (counts) {
        if (piece.size) std::memcpy(&count, piece.data, std::min<size_t>(piece.size, 4));
        // Beyond a few records an input only repeats itself, slowly.
        if (ClampedCount(count) > fuzz::kMaxFuzzRecords) count %= fuzz::kMaxFuzzRecords + 1;
        records = ClampedCount(count);
      }
      Buffer& b = buffers_[i] =
          Buffer(spec.name, spec.size, spec.stride ? spec.header + records * spec.stride : spec.size);
      b.Fill(piece);
      if (counts) std::memcpy(b.Data(), &count, 4);
    }
  }

  std::unique_ptr<IRegionMapping> Open(const std::u16string& name, size_t size) override {
    if (failing_ && name == failing_) return nullptr;
    for (Buffer& b : buffers_)
      if (b.RealSize() == size && name == b.Name()) return std::make_unique<Mapping>(b);
    return nullptr;
  }

 private:
  class Mapping : public IRegionMapping {
   public:
    explicit Mapping(Buffer& b) : b_(b) {}
    uint8_t* Data() override { return b_.Data(); }
    // The reader only reads: zeroing what the input filled clears it all.
    void ZeroFill() override { std::memset(b_.Data(), 0, std::max<size_t>(b_.Filled(), 4)); }

   private:
    Buffer& b_;
  };
  const char16_t* failing_ = nullptr;
  std::vector<Buffer> buffers_;
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

}  // namespace
}  // namespace vard

// Every input allocates and frees a few megabytes: a smaller quarantine
// recycles warm pages instead of faulting in new ones, and still outlives
// any one input.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vard;
  if (size < 1) return 0;
  FuzzRegions regions;
  NullView view;
  EntryList list;
  HandOffReaderSetup setup;
  setup.regions = &regions;
  if (!(data[0] & fuzz::kUploadBit)) {
    // Twice, so the second batch meets the names of the first.
    for (int round = 0; round < 2; ++round) {
      regions.Load(fuzz::DownloadRegions(), data, size);
      DownloadHandOffReader(view, list, setup).ReadHandOff();
    }
  } else {
    regions.Load(fuzz::UploadRegions(), data, size);
    UploadHandOffReader(view, list, setup).ReadHandOff();
  }
  for (const auto& e : list)
    for (int c = 0; c < 6; ++c) (void)e->Text(c);
  return 0;
}
