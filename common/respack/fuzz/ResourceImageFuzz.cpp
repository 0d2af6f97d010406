// libFuzzer target: the resource image reader and the menu parser on any
// bytes. Built with clang only (see the CMake file).
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/respack/MenuResource.h"
#include "common/respack/ResourceImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  if (const auto tables = vard::ReadResourceImage(bytes)) {
    for (const auto& [id, menu] : tables->menus) (void)vard::ParseMenu(menu);
  }
  (void)vard::ParseMenu(bytes);
  return 0;
}
