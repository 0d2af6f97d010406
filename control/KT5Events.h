#pragma once
// The page's event sinks and the mapping of dialog end codes to events.
#include <cstdint>
#include <vector>

#include "control/Variant.h"

namespace vard {

class IKT5CtrlEvents {
 public:
  virtual ~IKT5CtrlEvents() = default;
  // Called synchronously on the control's thread.
  virtual void Invoke(int32_t dispid, const std::vector<Variant>& args) = 0;
};

// 1 complete, 2 cancelled, 7 failed; 0 for every other end code.
int32_t EventForDialogResult(int result);

}  // namespace vard
