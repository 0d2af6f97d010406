#pragma once
// The name a save-file choice gives, as the control's save-as steps take
// it: with the given file's own type chosen in the filter list, a chosen
// name whose extension differs gets the given extension added.
#include <string>

namespace vard {

// The extension of the last component of `name`, with its dot; empty when
// there is none.
std::u16string ExtensionOf(const std::u16string& name);

std::u16string SaveAsName(const std::u16string& chosen, const std::u16string& given, bool typeFilterChosen);

}  // namespace vard
