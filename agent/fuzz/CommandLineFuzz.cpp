// libFuzzer target: any bytes, taken as UTF-16 units, as the agent's command
// line. The keys' values must stay within the line and the bound.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "agent/AgentCommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string line(size / 2, u'\0');
  for (size_t i = 0; i < line.size(); ++i) line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  const vard::AgentOptions options = vard::ParseAgentCommandLine(line);
  const size_t bound = line.size() < vard::kMaxAgentCommandLine ? line.size() : vard::kMaxAgentCommandLine;
  if (options.language.size() > bound || options.log.size() > bound) std::abort();
  return 0;
}
