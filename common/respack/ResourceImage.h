#pragma once
// Reads the tables of a resource-only PE image held in memory, without
// loading it as a library: every RT_STRING, RT_DIALOG and RT_MENU by ID.
// Every read is bounds-checked against the given bytes; malformed input of
// any kind yields no tables, never a read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/respack/LanguageStore.h"

namespace vard {

// The texts of the errors the reader raises internally.
inline constexpr char kInvalidDosHeader[] = "Not a valid Executable File.(Invalid DOS Header)";
inline constexpr char kInvalidNtHeader[] = "Not a valid Executable File.(Invalid NT Header)";
inline constexpr char kCannotReserve[] = "Can't reserve virtual-memory";
inline constexpr char kInvalidResourceDirectory[] = "Invalid resource directory";

// Larger images are refused as if the memory could not be reserved: a pack
// is a few kilobytes, and the size field comes from untrusted bytes.
inline constexpr uint32_t kMaxImageSize = 4u * 1024 * 1024;

// The tables of `image`, or nothing (with the reason in `error`) when the
// image is malformed. An image without resources gives empty tables.
std::optional<LanguageTables> ReadResourceImage(std::span<const uint8_t> image,
                                                std::string* error = nullptr);

}  // namespace vard
