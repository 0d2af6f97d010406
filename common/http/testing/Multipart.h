#pragma once
// A strict multipart/form-data reader for checking what clients post.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vard::http_testing {

struct MultipartPart {
  std::vector<std::string> headers;  // in order, without line ends
  std::string name;                  // from Content-Disposition
  std::string value;                 // the bytes between the blank line and "\r\n--"
};

// The boundary parameter of a Content-Type value, or empty.
std::string BoundaryOf(std::string_view contentType);
// The parts of a body, or nothing when it is not exactly a sequence of
// "--boundary\r\n" parts closed by "--boundary--\r\n".
std::optional<std::vector<MultipartPart>> ParseMultipart(std::string_view body,
                                                         std::string_view boundary);

}  // namespace vard::http_testing
