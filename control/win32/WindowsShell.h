#pragma once
// The desktop shell for the control's list: icons from the system image
// list, looked up by name and attributes only.
#include "control/ControlServices.h"
#include "control/services/ControlShell.h"

namespace vard::com {

class WindowsShell final : public IControlShell {
 public:
  explicit WindowsShell(DebugSink debug) : debug_(std::move(debug)) {}
  int32_t IconIndex(const std::u16string& name, bool directory) override;
  void DragOut(std::function<void(const std::u16string& folder)> droppedInto) override;

 private:
  DebugSink debug_;
};

}  // namespace vard::com
