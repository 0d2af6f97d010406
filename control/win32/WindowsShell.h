#pragma once
// The desktop shell for the control's list: icons from the system image
// list (by name and attributes only) and the drag of rows out into a
// folder. The drop is detected by the drive watchers, started with the
// first drag, and handed to the control's thread through a message window.
#include <windows.h>

#include <memory>

#include "common/platform/Clock.h"
#include "control/ControlServices.h"
#include "control/services/ControlShell.h"
#include "control/win32/DropFolderWatcher.h"

namespace vard::com {

class WindowsShell final : public IControlShell {
 public:
  WindowsShell(platform::IClock& clock, DebugSink debug) : clock_(clock), debug_(std::move(debug)) {}
  ~WindowsShell() override;

  int32_t IconIndex(const std::u16string& name, bool directory) override;
  void DragOut(std::function<void(const std::u16string& folder)> droppedInto) override;

  // A marker copy was found at `path` (on the control's thread): it goes,
  // and its folder gets the download.
  void OnMarkerCopy(const std::wstring& path);

 private:
  bool EnsureWatching(const std::wstring& markerPath);

  platform::IClock& clock_;
  DebugSink debug_;
  std::function<void(const std::u16string&)> droppedInto_;
  HWND messages_ = nullptr;
  std::unique_ptr<DropFolderWatcher> watcher_;
};

}  // namespace vard::com
