#include "tools/vardwin/DumpRows.h"

namespace vard {
namespace {

// Reads the JSON string starting at `at` (on its quote); moves past it.
std::string ReadString(const std::string& s, size_t& at) {
  std::string out;
  for (++at; at < s.size() && s[at] != '"'; ++at) {
    if (s[at] != '\\' || at + 1 >= s.size()) {
      out += s[at];
      continue;
    }
    const char e = s[++at];
    if (e == 'n') {
      out += '\n';
    } else if (e == 't') {
      out += '\t';
    } else if (e == 'r') {
      out += '\r';
    } else if (e == 'u') {
      at += 4;  // only control characters come escaped this way
      out += '?';
    } else {
      out += e;
    }
  }
  ++at;
  return out;
}

}  // namespace

std::vector<std::string> DumpRows(const std::string& dump) {
  std::vector<std::string> rows;
  size_t at = dump.find("\"rows\":[");
  if (at == std::string::npos) return rows;
  at += 8;
  // [["a","b"],["c","d"]]: rows until the closing bracket of the list.
  while (at < dump.size() && dump[at] == '[') {
    std::string line;
    ++at;
    while (at < dump.size() && dump[at] == '"') {
      if (!line.empty()) line += " | ";
      line += ReadString(dump, at);
      if (at < dump.size() && dump[at] == ',') ++at;
    }
    rows.push_back(line);
    if (at < dump.size() && dump[at] == ']') ++at;
    if (at < dump.size() && dump[at] == ',') ++at;
  }
  return rows;
}

}  // namespace vard
