#pragma once
// Windows only: the agent's resources as its windows need them. The
// settings, countdown and rename dialogs, the tray menu and the icons are
// the program's own; the forms and the other questions come from the
// language table in use.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vard::agentwin {

HINSTANCE ProgramModule();

// The bytes of dialog template `id`; empty when there is none.
std::vector<uint8_t> DialogTemplateBytes(uint32_t id);

// Icon `id` of the program at `size` pixels (shared: never destroyed).
HICON AgentIcon(uint32_t id, int size);

inline const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string FromWide(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
// The text of a window.
std::u16string WindowText(HWND hwnd);

}  // namespace vard::agentwin
