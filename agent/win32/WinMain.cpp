// MWKTPlusProc on Windows: a GUI-subsystem program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "agent/AgentComposition.h"
#include "agent/win32/WindowsFactories.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  const std::u16string line = commandLine ? reinterpret_cast<const char16_t*>(commandLine) : u"";
  const int code = vard::AgentMain(line, vard::agentwin::WindowsFrameWindows());
  ::CoUninitialize();
  return code;
}
