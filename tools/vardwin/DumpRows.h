#pragma once
// The "rows" of a window's dump as lines of text: each row's column texts
// joined by " | ".
#include <string>
#include <vector>

namespace vard {

std::vector<std::string> DumpRows(const std::string& dump);

}  // namespace vard
