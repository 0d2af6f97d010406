// MWKTPlusProc on Windows: a GUI-subsystem program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "agent/AgentComposition.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  const std::u16string line = commandLine ? reinterpret_cast<const char16_t*>(commandLine) : u"";
  const int code = vard::AgentMain(line);
  ::CoUninitialize();
  return code;
}
