#include "common/platform/posix/HttpText.h"

#include <strings.h>

#include "common/text/Utf.h"

namespace vard::platform::posix {

std::string Narrow(std::u16string_view text) { return Utf16ToUtf8(text); }

std::vector<std::string> SplitHeaderText(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool HeaderNameIs(std::string_view line, std::string_view name) {
  return line.size() > name.size() && line[name.size()] == ':' &&
         strncasecmp(line.data(), name.data(), name.size()) == 0;
}

std::string HeaderValue(std::string_view line) {
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  size_t start = colon + 1;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  size_t end = line.size();
  while (end > start && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  return std::string(line.substr(start, end - start));
}

std::optional<std::string> FindHeader(const std::vector<std::string>& lines,
                                      std::string_view name, uint32_t index) {
  for (size_t i = 1; i < lines.size(); ++i)
    if (HeaderNameIs(lines[i], name) && index-- == 0) return HeaderValue(lines[i]);
  return std::nullopt;
}

const char* QueryHeaderName(uint32_t code) {
  switch (code) {
    case 1: return "Content-Type";
    case 5: return "Content-Length";
    case 9: return "Date";
    case 11: return "Last-Modified";
    case 29: return "Content-Encoding";
    case 33: return "Location";
    case 42: return "Accept-Ranges";
    case 43: return "Set-Cookie";
    case 47: return "Content-Disposition";
    case 53: return "Content-Range";
    case 54: return "ETag";
    default: return nullptr;
  }
}

}  // namespace vard::platform::posix
