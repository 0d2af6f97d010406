// Test helper: writes `count` DWORD values "<prefix><i>" = i into one key,
// each in its own call, so that two of these race on the key's file.
#include <cstdio>
#include <string>

#include "common/platform/Registry.h"
#include "common/text/Utf.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::u16string key = vard::Utf8ToUtf16(argv[1]);
  const std::u16string prefix = vard::Utf8ToUtf16(argv[2]);
  const int count = std::stoi(argv[3]);
  auto& reg = vard::platform::SystemRegistry();
  for (int i = 0; i < count; ++i) {
    if (!reg.WriteDword(vard::platform::RegistryRoot::kCurrentUser, key,
                        prefix + vard::AsciiToUtf16(std::to_string(i)), static_cast<uint32_t>(i))) {
      std::fprintf(stderr, "write %d failed\n", i);
      return 1;
    }
  }
  return 0;
}
