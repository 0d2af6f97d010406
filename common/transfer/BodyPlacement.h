#pragma once
// Which answers of a server are the file, and where their bodies go. A body
// is written only where it belongs: download tools that append whatever
// comes back after a range request corrupt files when a server ignores the
// range or answers another one.
#include <cstdint>
#include <optional>
#include <string_view>

namespace vard::transfer {

enum class AnswerClass {
  kBody,         // below 400: the body is what was asked for (placement decides where)
  kClientError,  // 400-499: the request cannot succeed as it stands
  kServerError,  // 500 and above: worth retrying later
};
AnswerClass ClassifyStatus(uint32_t status);

// A Content-Length header's value (blanks around digits allowed); none for
// anything else or a value beyond the 64-bit range.
std::optional<int64_t> ParseContentLength(std::u16string_view header);

// "bytes <first>-<last>/<total>" with total "*" when unknown (-1).
struct ContentRange {
  int64_t first = 0;
  int64_t last = 0;
  int64_t total = -1;
};
// None for anything else, including "bytes */<total>" (no body range).
std::optional<ContentRange> ParseContentRange(std::u16string_view header);

// What was asked and what came back.
struct AnswerFacts {
  // Offset of the "Range:bytes=<n>-" header sent, none when no Range was sent.
  std::optional<int64_t> rangeFrom;
  // The request resumed by "_filesize=": the server sends the rest.
  bool resumedByQuery = false;
  // Bytes of the file on disk when the request was made.
  int64_t sizeOnDisk = 0;
  // The answer's Content-Range header, none when absent.
  std::optional<std::u16string_view> contentRange;
  // The answer's Content-Length, none when absent or unreadable.
  std::optional<int64_t> contentLength;
  // The whole file's size as the page (or an earlier answer) gave it; -1
  // when unknown.
  int64_t expectedSize = -1;
};

enum class BodyTarget {
  kAppend,     // at the end of what is on disk
  kWriteAt,    // at `offset`, within what is on disk; the file is cut there first
  kFromStart,  // the whole file: the file is emptied first
  kRefetch,    // the body cannot be placed: empty the file and ask again from 0
  kUnusable,   // the answer cannot be understood (a malformed Content-Range)
};
struct Placement {
  BodyTarget target = BodyTarget::kAppend;
  int64_t offset = 0;  // where the first body byte goes
  // The body may not write at or past this offset (what its Content-Range
  // or Content-Length announces); -1 when nothing bounds it.
  int64_t end = -1;
  // A body appended to a query resume that reaches `end` (the page's size)
  // is the whole file again, not the rest: the file starts anew.
  bool wholeIfPastEnd = false;
};

Placement PlaceBody(const AnswerFacts& facts);

}  // namespace vard::transfer
