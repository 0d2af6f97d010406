#include "control/win32/DialogTemplateStyle.h"

namespace vard::com {
namespace {

DWORD Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<DWORD>(b[at + 3]) << 24;
}

void Put32(std::vector<uint8_t>& b, size_t at, DWORD v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool ChangeTemplateStyle(std::vector<uint8_t>& tpl, const StyleChange& change) {
  if (tpl.size() < 18) return false;
  // An extended template starts with version 1 and the signature 0xFFFF;
  // its extended style comes before the style.
  const bool extended = tpl[0] == 1 && tpl[1] == 0 && tpl[2] == 0xFF && tpl[3] == 0xFF;
  if (extended && tpl.size() < 26) return false;
  const size_t styleAt = extended ? 12 : 0;
  const size_t exStyleAt = extended ? 8 : 4;
  Put32(tpl, styleAt, (Get32(tpl, styleAt) & ~change.styleClear) | change.styleSet);
  Put32(tpl, exStyleAt, (Get32(tpl, exStyleAt) & ~change.exStyleClear) | change.exStyleSet);
  return true;
}

StyleChange EmbeddedChildStyle() {
  return {WS_CHILD | WS_VISIBLE, WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, WS_EX_TOOLWINDOW};
}

StyleChange ModalToolWindowStyle() {
  return {WS_POPUP | WS_CAPTION | DS_MODALFRAME, WS_CHILD, WS_EX_TOOLWINDOW, 0};
}

}  // namespace vard::com
