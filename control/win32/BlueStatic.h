#pragma once
// The download folder's label: its text in blue, underlined in the
// dialog's font, on the button face, on one line vertically centred and
// shortened in the middle of the path when too long. Drawn off-screen
// first; it takes no clicks.
#include <windows.h>

namespace vard::com {

// The blue colour of the text.
constexpr COLORREF kBlueText = 0x00EE0000;

// Turns the static control `label` into the blue label for its lifetime.
bool MakeBlueStatic(HWND label);

}  // namespace vard::com
