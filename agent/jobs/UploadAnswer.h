#pragma once
// The server's answer to a getFileInfo request: "key=value;" items. The
// answer is untrusted input: numbers that are not plain non-negative
// decimals read as 0, and a proposed name that could not be a plain file
// name on the server's side (separators, "." or "..", control characters,
// longer than 260 units) is dropped. The name is only ever sent back to the
// server, never used as a local path.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/platform/Clock.h"

namespace vard {

// The value of `key`: the text after "key=" up to the next ";" (searched
// from the key on). A missing key, or one without a ";" after it, is empty.
std::u16string AnswerValue(std::u16string_view answer, std::u16string_view key);

struct FileInfoAnswer {
  bool askRename = false;     // "AskRename" is exactly "yes"
  std::u16string fileName;    // "FileName" when usable, else empty
  int64_t fileSize = 0;       // "FileSize": bytes the server holds
  // "FileTime": seconds since 1970-01-01 UTC, when a usable number.
  std::optional<int64_t> fileTime;
};

FileInfoAnswer ParseFileInfoAnswer(std::u16string_view answer);

// A non-negative decimal that fits 63 bits, or nothing.
std::optional<int64_t> ParseDecimal(std::u16string_view text);

// Seconds since 1970-01-01 UTC as a calendar time (UTC).
platform::UtcTime CalendarTime(int64_t seconds);

// Whether a server's proposed name may be sent back as "_filename".
bool UsableServerName(std::u16string_view name);

}  // namespace vard
