#include "common/handoff/HandOffRegion.h"

#include <algorithm>

#include "common/handoff/HandOffRecords.h"
#include "common/platform/SharedMemory.h"

namespace vard {
namespace {

class SharedMapping : public IRegionMapping {
 public:
  explicit SharedMapping(platform::SharedMemory memory) : memory_(std::move(memory)) {}
  uint8_t* Data() override { return memory_.Data(); }
  void ZeroFill() override { memory_.ZeroFill(); }

 private:
  platform::SharedMemory memory_;
};

class SharedRegions : public IRegionSource {
 public:
  std::unique_ptr<IRegionMapping> Open(const std::u16string& name, size_t size) override {
    auto memory = platform::SharedMemory::CreateOrOpen(name, size);
    if (!memory.IsOpen()) return nullptr;
    return std::make_unique<SharedMapping>(std::move(memory));
  }
};

}  // namespace

IRegionSource& NamedRegions() {
  static SharedRegions regions;
  return regions;
}

bool HandOffRegion::Open(IRegionSource& source, const std::u16string& name) {
  Release();
  mapping_ = source.Open(name, size_);
  return mapping_ != nullptr;
}

void HandOffRegion::ZeroFill() {
  if (mapping_) mapping_->ZeroFill();
}

void HandOffRegion::Release() {
  if (!mapping_) return;
  mapping_->ZeroFill();
  mapping_.reset();
}

namespace {
// A fixed field keeps at most capacity - 1 units and its terminator.
size_t KeptUnits(std::u16string_view text, size_t capacity) {
  return capacity == 0 ? 0 : std::min(text.size(), capacity - 1);
}
}  // namespace

void StoreFixedField(char16_t* field, size_t capacity, std::u16string_view text) {
  if (capacity == 0) return;
  const size_t n = KeptUnits(text, capacity);
  for (size_t i = 0; i < n; ++i) field[i] = text[i];
  for (size_t i = n; i < capacity; ++i) field[i] = 0;
}

std::u16string FieldCut(std::u16string_view text, size_t capacity) {
  return std::u16string(text.substr(0, KeptUnits(text, capacity)));
}

int ClampedCount(int32_t count) {
  if (count < 0) return 0;
  return count > kMaxHandOffRecords ? kMaxHandOffRecords : count;
}

}  // namespace vard
