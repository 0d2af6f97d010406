#pragma once
// Hand-off regions in plain memory, for tests: a name maps to one buffer for
// the life of the source, so a "writer" and a "reader" meet as with shared
// memory. Names listed in `failing` cannot be opened.
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/handoff/HandOffRegion.h"

namespace vard::testing {

class MemoryRegions : public IRegionSource {
 public:
  std::unique_ptr<IRegionMapping> Open(const std::u16string& name, size_t size) override {
    if (failing.count(name)) return nullptr;
    auto& buffer = buffers_[name];
    if (!buffer) buffer = std::make_shared<std::vector<uint8_t>>(size);
    if (buffer->size() < size) return nullptr;
    ++opens;
    return std::make_unique<Mapping>(buffer);
  }
  // The bytes of a region, created zeroed when new.
  std::vector<uint8_t>& Bytes(const std::u16string& name, size_t size) {
    auto& buffer = buffers_[name];
    if (!buffer) buffer = std::make_shared<std::vector<uint8_t>>(size);
    return *buffer;
  }
  template <typename Layout>
  Layout& As(const std::u16string& name) {
    return *reinterpret_cast<Layout*>(Bytes(name, sizeof(Layout)).data());
  }

  std::set<std::u16string> failing;
  int opens = 0;

 private:
  class Mapping : public IRegionMapping {
   public:
    explicit Mapping(std::shared_ptr<std::vector<uint8_t>> b) : buffer_(std::move(b)) {}
    uint8_t* Data() override { return buffer_->data(); }
    void ZeroFill() override { std::memset(buffer_->data(), 0, buffer_->size()); }

   private:
    std::shared_ptr<std::vector<uint8_t>> buffer_;
  };
  std::map<std::u16string, std::shared_ptr<std::vector<uint8_t>>> buffers_;
};

}  // namespace vard::testing
