#include "common/text/CommandLine.h"

namespace vard {

std::u16string CommandLineValue(std::u16string_view commandLine, std::u16string_view key) {
  const size_t at = commandLine.find(key);
  if (at == std::u16string_view::npos || key.empty()) return {};
  const size_t start = at + key.size();
  const size_t end = commandLine.find(u" -", start);
  return std::u16string(commandLine.substr(start, end == std::u16string_view::npos ? end : end - start));
}

}  // namespace vard
