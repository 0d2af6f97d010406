#pragma once
// Loading and saving the control's settings: through a property bag (the
// page's PARAM elements, by property name) and through a stream, both in
// one fixed order. Loading goes through the setters, so their rules apply.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "control/Variant.h"

namespace vard {

class CKT5Ctrl;

class IPropertyBag {
 public:
  virtual ~IPropertyBag() = default;
  virtual std::optional<Variant> Read(const std::u16string& name) = 0;
  virtual void Write(const std::u16string& name, const Variant& value) = 0;
};

struct ControlExtent {
  int32_t cx = 0;
  int32_t cy = 0;
};

// Names in persistence order, "_cx" and "_cy" first.
const std::vector<std::u16string>& PersistedNames();

void LoadFromPropertyBag(CKT5Ctrl& ctrl, IPropertyBag& bag, ControlExtent* extent);
void SaveToPropertyBag(CKT5Ctrl& ctrl, IPropertyBag& bag, const ControlExtent& extent);

std::vector<uint8_t> SaveToStream(CKT5Ctrl& ctrl, const ControlExtent& extent);
// Reads as far as the bytes hold whole values; false when they ended early.
bool LoadFromStream(CKT5Ctrl& ctrl, const std::vector<uint8_t>& bytes, ControlExtent* extent);

}  // namespace vard
