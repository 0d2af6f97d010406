#include "ScriptHost.h"

#include <cstdlib>
#include <sstream>

#include "common/text/Utf.h"
#include "control/DispatchIds.h"
#include "tools/kt5host/HostServices.h"

namespace vard {
namespace {

constexpr char kQuoted = '\x01';

class MapBag final : public IPropertyBag {
 public:
  explicit MapBag(const std::map<std::u16string, Variant>& v) : values_(v) {}
  std::optional<Variant> Read(const std::u16string& name) override {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }
  void Write(const std::u16string&, const Variant&) override {}

 private:
  const std::map<std::u16string, Variant>& values_;
};

std::string Unquoted(const std::string& w) { return !w.empty() && w[0] == kQuoted ? w.substr(1) : w; }

}  // namespace

std::vector<std::string> SplitScriptLine(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      w += kQuoted;
      ++i;
      while (i < line.size() && line[i] != '"') {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        w += line[i++];
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') w += line[i++];
    }
    words.push_back(w);
  }
  return words;
}

Variant ParseScriptValue(const std::string& w) {
  if (!w.empty() && w[0] == kQuoted) return Variant::String(Utf8ToUtf16(w.substr(1)));
  if (w == "-") return Variant();
  if (w == "true") return Variant::Bool(kVariantTrue);
  if (w == "false") return Variant::Bool(kVariantFalse);
  char* end = nullptr;
  const long long n = std::strtoll(w.c_str(), &end, 10);
  if (!w.empty() && end && *end == '\0') {
    if (n >= INT32_MIN && n <= INT32_MAX) return Variant::I4(static_cast<int32_t>(n));
    return Variant::I8(n);
  }
  return Variant::String(Utf8ToUtf16(w));
}

std::string FormatVariant(const Variant& v) {
  switch (v.type) {
    case Variant::Type::kEmpty: return "(empty)";
    case Variant::Type::kString: return "\"" + Utf16ToUtf8(v.text) + "\"";
    case Variant::Type::kBool: return std::to_string(v.number) + (v.number == kVariantTrue ? " (true)" : " (false)");
    case Variant::Type::kArrayI4: return "[" + Utf16ToUtf8(v.ToText()) + "]";
    default: return std::to_string(v.number);
  }
}

ScriptHost::ScriptHost(std::ostream& out, ControlServices services)
    : out_(out), ctrl_(ScriptedServices(std::move(services), out, [this] { return dialogResult_; })) {
  cookie_ = ctrl_.Advise(this);
}

ScriptHost::~ScriptHost() {
  ctrl_.Unadvise(cookie_);
  ctrl_.DestroyControlWindow();
}

void ScriptHost::Invoke(int32_t id, const std::vector<Variant>& args) {
  out_ << "  event " << Utf16ToUtf8(std::u16string(dispid::EventName(id))) << "(";
  for (size_t i = 0; i < args.size(); ++i) out_ << (i ? ", " : "") << FormatVariant(args[i]);
  out_ << ")\n";
}

void ScriptHost::LoadParams() {
  if (paramsLoaded_) return;
  paramsLoaded_ = true;
  MapBag bag(params_);
  LoadFromPropertyBag(ctrl_, bag, nullptr);
}

void ScriptHost::EnsureCreated() {
  LoadParams();
  if (!ctrl_.Created()) ctrl_.CreateControlWindow(&view_);
}

bool ScriptHost::Member(InvokeKind kind, const std::vector<std::string>& words) {
  if (words.size() < 2) return false;
  const dispid::Member* m = dispid::FindMember(Utf8ToUtf16(Unquoted(words[1])));
  if (!m) {
    out_ << "  no member named " << Unquoted(words[1]) << "\n";
    return false;
  }
  std::vector<Variant> args;
  for (size_t i = 2; i < words.size(); ++i) args.push_back(ParseScriptValue(words[i]));
  Variant result;
  const int32_t hr = ctrl_.Invoke(m->id, kind, args, &result);
  out_ << "  = " << (kind == InvokeKind::kPut ? std::string("ok") : FormatVariant(result));
  if (hr != kSOk) out_ << " (error " << hr << ")";
  out_ << "\n";
  return true;
}

bool ScriptHost::RunLine(const std::string& line) {
  const std::vector<std::string> words = SplitScriptLine(line);
  if (words.empty() || words[0][0] == '#') return true;
  out_ << "> " << line << "\n";
  const std::string& cmd = words[0];
  auto number = [&](size_t i) { return i < words.size() ? std::atoi(Unquoted(words[i]).c_str()) : 0; };

  if (cmd == "param" && words.size() >= 3) {
    params_[Utf8ToUtf16(Unquoted(words[1]))] = Variant::String(Utf8ToUtf16(Unquoted(words[2])));
  } else if (cmd == "pageurl" && words.size() >= 2) {
    ctrl_.SetPageUrl(Utf8ToUtf16(Unquoted(words[1])));
  } else if (cmd == "create") {
    if (words.size() >= 3) view_.Resize(number(1), number(2));
    EnsureCreated();
  } else if (cmd == "get" || cmd == "call") {
    LoadParams();
    return Member(cmd == "get" ? InvokeKind::kGet : InvokeKind::kMethod, words);
  } else if (cmd == "put") {
    LoadParams();
    return Member(InvokeKind::kPut, words);
  } else if (cmd == "select") {
    std::vector<int32_t> rows;
    for (size_t i = 1; i < words.size(); ++i) rows.push_back(number(i));
    view_.SetSelectedRows(rows);
  } else if (cmd == "click") {
    ctrl_.OnListClick(number(1));
  } else if (cmd == "dblclick") {
    ctrl_.OnListDoubleClick(number(1));
  } else if (cmd == "menu") {
    view_.SetMenuAnswer(static_cast<uint16_t>(number(1)));
    ctrl_.OnContextMenu(0, 0);
    for (const ContextMenuEntry& e : view_.LastMenu())
      out_ << "  menu " << (e.separator ? std::string("----") : std::to_string(e.id) + " " + Utf16ToUtf8(e.text))
           << (e.grayed ? " (grayed)" : "") << "\n";
  } else if (cmd == "command") {
    ctrl_.OnCommand(static_cast<uint16_t>(number(1)));
  } else if (cmd == "drop" && words.size() >= 2) {
    ctrl_.DownloadSelectedTo(Utf8ToUtf16(Unquoted(words[1])));
  } else if (cmd == "dialogresult") {
    dialogResult_ = number(1);
  } else if (cmd == "childend") {
    ctrl_.OnChildDialogEnd(number(1));
  } else if (cmd == "resize" && words.size() >= 3) {
    view_.Resize(number(1), number(2));
    ctrl_.Layout();
  } else if (cmd == "show") {
    view_.Print(out_);
  } else {
    out_ << "  cannot understand this line\n";
    return false;
  }
  return true;
}

bool ScriptHost::Run(std::istream& script) {
  bool ok = true;
  std::string line;
  while (std::getline(script, line)) ok = RunLine(line) && ok;
  return ok;
}

}  // namespace vard
