#include "agent/win32/WindowsFactories.h"

#include "agent/win32/WindowsFrameWindow.h"
#include "agent/win32/WindowsTransferView.h"

namespace vard::agentwin {

FrameWindowFactories WindowsFrameWindows() {
  FrameWindowFactories f;
  f.frame = [](CMainFrame& frame) -> std::unique_ptr<IFrameWindow> {
    return std::make_unique<WindowsFrameWindow>(frame);
  };
  f.view = [](CMainFrame& frame) -> std::unique_ptr<ITransferWindow> {
    return std::make_unique<WindowsTransferView>(frame);
  };
  return f;
}

}  // namespace vard::agentwin
