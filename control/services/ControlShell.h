#pragma once
// The desktop shell as the control's list uses it: icons and the drag of
// rows out into a folder.
#include <cstdint>
#include <functional>
#include <string>

namespace vard {

class IControlShell {
 public:
  virtual ~IControlShell() = default;
  // System image-list index for a name, as a file or as a folder (by name
  // only, no disk access).
  virtual int32_t IconIndex(const std::u16string& name, bool directory) = 0;
  // Runs the modal drag of the selected rows. `droppedInto` is called with
  // the folder once the drop into a folder has been detected, on the
  // control's thread (the detection itself may happen elsewhere), and never
  // after the control is gone.
  virtual void DragOut(std::function<void(const std::u16string& folder)> droppedInto) = 0;
};

}  // namespace vard
