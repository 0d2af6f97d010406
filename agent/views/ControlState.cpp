#include "agent/views/ControlState.h"

#include "common/text/JsonText.h"

namespace vard {
namespace {

template <typename Map, typename Format>
std::string Object(const char* name, const Map& map, Format format) {
  std::string out = "\"";
  out += name;
  out += "\":{";
  bool first = true;
  for (const auto& [id, value] : map) {
    if (!first) out += ',';
    first = false;
    out += '"' + std::to_string(id) + "\":" + format(value);
  }
  return out + '}';
}

std::string Bool(bool b) { return b ? "true" : "false"; }

}  // namespace

std::u16string ControlState::Text(int id) const {
  auto it = texts_.find(id);
  return it == texts_.end() ? std::u16string() : it->second;
}

bool ControlState::Enabled(int id) const {
  auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

bool ControlState::Visible(int id) const {
  auto it = visible_.find(id);
  return it == visible_.end() || it->second;
}

bool ControlState::Checked(int id) const {
  auto it = checked_.find(id);
  return it != checked_.end() && it->second;
}

int ControlState::Selection(int id) const {
  auto it = selection_.find(id);
  return it == selection_.end() ? -1 : it->second;
}

std::string ControlState::JsonMembers() const {
  std::string out = Object("texts", texts_, [](const std::u16string& t) { return JsonQuote(t); });
  out += ',' + Object("enabled", enabled_, Bool);
  out += ',' + Object("visible", visible_, Bool);
  out += ',' + Object("checked", checked_, Bool);
  out += ',' + Object("selection", selection_, [](int i) { return std::to_string(i); });
  return out;
}

}  // namespace vard
