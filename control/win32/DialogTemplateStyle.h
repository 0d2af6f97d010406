#pragma once
// Changing the window style of an in-memory dialog template (plain or
// extended) before a dialog is made from it: the download template becomes
// a frameless child in child mode and a modal tool window otherwise.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace vard::com {

struct StyleChange {
  DWORD styleSet = 0, styleClear = 0, exStyleSet = 0, exStyleClear = 0;
};

// False (template unchanged) when the bytes are too short to be a template.
bool ChangeTemplateStyle(std::vector<uint8_t>& tpl, const StyleChange& change);

// Visible child without frame: popup, caption and modal frame off, child
// and visible on, tool window off.
StyleChange EmbeddedChildStyle();
// Popup tool window with caption and modal frame, child off.
StyleChange ModalToolWindowStyle();

}  // namespace vard::com
