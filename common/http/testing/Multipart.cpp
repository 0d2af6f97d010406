#include "common/http/testing/Multipart.h"

#include <strings.h>

namespace vard::http_testing {

std::string BoundaryOf(std::string_view contentType) {
  const auto at = contentType.find("boundary=");
  if (at == std::string_view::npos) return {};
  std::string_view b = contentType.substr(at + 9);
  b = b.substr(0, b.find(';'));
  if (b.size() >= 2 && b.front() == '"' && b.back() == '"') b = b.substr(1, b.size() - 2);
  return std::string(b);
}

std::optional<std::vector<MultipartPart>> ParseMultipart(std::string_view body,
                                                         std::string_view boundary) {
  const std::string delimiter = "--" + std::string(boundary);
  std::vector<MultipartPart> parts;
  size_t pos = 0;
  for (;;) {
    if (body.compare(pos, delimiter.size(), delimiter) != 0) return std::nullopt;
    pos += delimiter.size();
    if (body.substr(pos) == "--\r\n") return parts;
    if (body.compare(pos, 2, "\r\n") != 0) return std::nullopt;
    pos += 2;
    MultipartPart part;
    for (;;) {
      const size_t end = body.find("\r\n", pos);
      if (end == std::string_view::npos) return std::nullopt;
      if (end == pos) break;
      part.headers.emplace_back(body.substr(pos, end - pos));
      pos = end + 2;
    }
    pos += 2;
    const size_t next = body.find("\r\n" + delimiter, pos);
    if (next == std::string_view::npos) return std::nullopt;
    part.value = std::string(body.substr(pos, next - pos));
    pos = next + 2;
    for (const auto& h : part.headers) {
      if (strncasecmp(h.c_str(), "Content-Disposition:", 20) != 0) continue;
      const auto n = h.find("name=\"");
      if (n != std::string::npos) part.name = h.substr(n + 6, h.find('"', n + 6) - n - 6);
    }
    parts.push_back(std::move(part));
  }
}

}  // namespace vard::http_testing
