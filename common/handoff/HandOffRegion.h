#pragma once
// Holders of the hand-off regions. The programs map named shared memory; tests
// and the fuzzer hand in plain buffers through the same source interface.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vard {

class IRegionMapping {
 public:
  virtual ~IRegionMapping() = default;
  virtual uint8_t* Data() = 0;
  virtual void ZeroFill() = 0;
};

class IRegionSource {
 public:
  virtual ~IRegionSource() = default;
  // Creates or opens `name` and maps exactly `size` bytes; null on failure.
  virtual std::unique_ptr<IRegionMapping> Open(const std::u16string& name, size_t size) = 0;
};

// Named shared memory of the system (process-wide, stateless).
IRegionSource& NamedRegions();

// One region: empty, or one mapping of exactly Size() bytes.
// Release() zero-fills what it mapped, so whoever releases consumes the batch;
// the destructor releases too.
class HandOffRegion {
 public:
  explicit HandOffRegion(size_t size) : size_(size) {}
  ~HandOffRegion() { Release(); }
  HandOffRegion(const HandOffRegion&) = delete;
  HandOffRegion& operator=(const HandOffRegion&) = delete;

  bool Open(IRegionSource& source, const std::u16string& name);
  void Release();
  // Lets go of the mapping and leaves the bytes as they are: a writer that
  // goes away must not wipe a batch nobody has read yet.
  void Unmap() { mapping_.reset(); }
  void ZeroFill();
  bool IsOpen() const { return mapping_ != nullptr; }
  size_t Size() const { return size_; }
  uint8_t* Bytes() const { return mapping_ ? mapping_->Data() : nullptr; }

 private:
  size_t size_;
  std::unique_ptr<IRegionMapping> mapping_;
};

// One holder kind per region layout; each knows its size.
template <typename Layout>
class Region : public HandOffRegion {
 public:
  Region() : HandOffRegion(sizeof(Layout)) {}
  Layout* operator->() const { return reinterpret_cast<Layout*>(Bytes()); }
  Layout& operator*() const { return *operator->(); }
};

}  // namespace vard
