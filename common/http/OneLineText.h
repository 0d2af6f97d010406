#pragma once
// Text from a page, a hand-off or the settings on its way into a request
// header or a form field: a CR, LF or NUL in it would start lines of its own
// (extra headers, forged parts), so such text never goes.
#include <string>
#include <string_view>

#include "common/text/LineBreaks.h"

namespace vard {

// `text` when it fits one line; else empty, said once in the debug output
// naming `what`.
std::u16string OneLineOrNothing(std::u16string_view text, std::u16string_view what);
// A request's header text ("A: 1\r\nB: 2"), less any line that holds a lone
// CR or LF or a NUL: what the request sends on both targets.
std::u16string HeaderTextWithoutBreaks(std::u16string_view headers);

}  // namespace vard
