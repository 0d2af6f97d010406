#pragma once
// How a download asks for the rest of a file that is partly on disk: a
// "Range:bytes=<n>-" header, or the "_filesize=<n>" parameter for servers
// that resume by query. Both download engines use these, byte for byte.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vard::transfer {

// "Range:bytes=" + offset + "-" (no line end; callers join headers).
std::u16string RangeHeader(int64_t offset);

// The URL with "_filesize=<size>" added to its query: after "?" when it has
// none, after "&" when it has one, directly after a bare "?". A fragment
// stays last, so the parameter reaches the server.
std::u16string WithFileSizeQuery(std::u16string_view url, int64_t size);

// The request for the rest of a file of `onDisk` bytes: the URL with the
// query parameter, or the URL as it is with the Range header.
struct ResumeAsk {
  std::u16string url;
  std::u16string header;              // empty for a query resume
  std::optional<int64_t> rangeFrom;   // the offset the Range header names
};
ResumeAsk ResumeFrom(std::u16string_view url, int64_t onDisk, bool byQuery);

}  // namespace vard::transfer
