#include "ScriptHost.h"

#include <cstdint>
#include <cstdio>
#include <limits>

#include "common/text/Utf.h"
#include "control/DispatchIds.h"
#include "tools/kt5host/HostServices.h"

namespace vard {
namespace {

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

}  // namespace

ScriptHost::ScriptHost(std::ostream& out, ControlServices services)
    : out_(out),
      consoleDialogs_(std::dynamic_pointer_cast<ConsoleDownloadDialogs>(services.dialogs)),
      ctrl_(ScriptedServices(std::move(services), out, [this] { return dialogResult_; })) {
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

bool ScriptHost::Reject(const std::string& reason) {
  out_ << "  line " << lineNumber_ << ": " << reason << "\n";
  return false;
}

bool ScriptHost::Member(InvokeKind kind, const std::vector<std::string>& words) {
  const std::string& cmd = words[0];
  if (words.size() < 2)
    return Reject(cmd + (kind == InvokeKind::kPut ? " needs a member name and a value" : " needs a member name"));
  const std::string name = Unquoted(words[1]);
  const dispid::Member* m = dispid::FindMember(Utf8ToUtf16(name));
  if (!m) return Reject("no member named " + name);
  std::vector<Variant> args;
  for (size_t i = 2; i < words.size(); ++i) args.push_back(ParseScriptValue(words[i]));
  Variant result;
  const int32_t hr = ctrl_.Invoke(m->id, kind, args, &result);
  if (hr == kDispBadParamCount) return Reject(cmd + " " + name + " needs a value");
  if (hr == kDispMemberNotFound && kind == InvokeKind::kPut)
    return Reject("put " + name + ": not a property that can be put");
  if (hr != kSOk) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return Reject(cmd + " " + name + " failed with " + code);
  }
  out_ << "  = " << (kind == InvokeKind::kPut ? std::string("ok") : FormatVariant(result)) << "\n";
  return true;
}

bool ScriptHost::RunLine(const std::string& line) {
  ++lineNumber_;
  bool closed = true;
  const std::vector<std::string> words = SplitScriptLine(line, &closed);
  if (words.empty() || words[0][0] == '#') return true;
  out_ << "> " << line << "\n";
  if (!closed) return Reject("a quote is not closed");
  return Command(words);
}

bool ScriptHost::Command(const std::vector<std::string>& words) {
  const std::string& cmd = words[0];
  const size_t argc = words.size() - 1;
  // Numbers for the host's own commands, each checked against what it feeds.
  bool numbersOk = true;
  auto number = [&](size_t i, int64_t min = INT32_MIN, int64_t max = INT32_MAX) -> int64_t {
    if (!numbersOk) return 0;
    const std::string w = Unquoted(words[i]);
    int64_t v = 0;
    const Whole kind = ParseWhole(w, &v);
    if (kind == Whole::kNumber && v >= min && v <= max) return v;
    numbersOk = false;
    Reject(kind == Whole::kNotANumber
               ? w + " is not a whole number"
               : w + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")");
    return 0;
  };
  auto usage = [&](const char* text) { return Reject(std::string("usage: ") + text); };

  if (cmd == "get" || cmd == "call") {
    LoadParams();
    return Member(cmd == "get" ? InvokeKind::kGet : InvokeKind::kMethod, words);
  }
  if (cmd == "put") {
    LoadParams();
    return Member(InvokeKind::kPut, words);
  }
  if (cmd == "param") {
    if (argc < 2) return usage("param NAME VALUE");
    params_[Utf8ToUtf16(Unquoted(words[1]))] = Variant::String(Utf8ToUtf16(Unquoted(words[2])));
  } else if (cmd == "pageurl") {
    if (argc < 1) return usage("pageurl URL");
    ctrl_.SetPageUrl(Utf8ToUtf16(Unquoted(words[1])));
  } else if (cmd == "create") {
    if (argc == 1) return usage("create [W H]");
    if (argc >= 2) {
      const auto w = number(1), h = number(2);
      if (!numbersOk) return false;
      view_.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h));
    }
    EnsureCreated();
  } else if (cmd == "select") {
    std::vector<int32_t> rows;
    for (size_t i = 1; i <= argc; ++i) rows.push_back(static_cast<int32_t>(number(i)));
    if (!numbersOk) return false;
    view_.SetSelectedRows(rows);
  } else if (cmd == "click" || cmd == "dblclick" || cmd == "dialogresult" || cmd == "childend") {
    if (argc < 1) return usage((cmd + " " + (cmd == "click" || cmd == "dblclick" ? "ROW" : "CODE")).c_str());
    const auto n = static_cast<int32_t>(number(1));
    if (!numbersOk) return false;
    if (cmd == "click") ctrl_.OnListClick(n);
    else if (cmd == "dblclick") ctrl_.OnListDoubleClick(n);
    else if (cmd == "dialogresult") dialogResult_ = n;
    else ctrl_.OnChildDialogEnd(n);
  } else if (cmd == "childstart") {
    if (!consoleDialogs_ || !consoleDialogs_->StartEmbeddedRun())
      return Reject("no embedded download dialog to start (ChildMode before the window, the console's dialogs)");
  } else if (cmd == "answer") {
    return Answer(words);
  } else if (cmd == "menu") {
    const auto answer = argc >= 1 ? number(1, 0, UINT16_MAX) : 0;
    if (!numbersOk) return false;
    view_.SetMenuAnswer(static_cast<uint16_t>(answer));
    ctrl_.OnContextMenu(0, 0);
    for (const ContextMenuEntry& e : view_.LastMenu())
      out_ << "  menu " << (e.separator ? std::string("----") : std::to_string(e.id) + " " + Utf16ToUtf8(e.text))
           << (e.grayed ? " (grayed)" : "") << "\n";
  } else if (cmd == "command") {
    if (argc < 1) return usage("command ID");
    const auto id = number(1, 0, UINT16_MAX);
    if (!numbersOk) return false;
    ctrl_.OnCommand(static_cast<uint16_t>(id));
  } else if (cmd == "drop") {
    if (argc < 1) return usage("drop FOLDER");
    ctrl_.DownloadSelectedTo(Utf8ToUtf16(Unquoted(words[1])));
  } else if (cmd == "resize") {
    if (argc < 2) return usage("resize W H");
    const auto w = number(1), h = number(2);
    if (!numbersOk) return false;
    view_.Resize(static_cast<int32_t>(w), static_cast<int32_t>(h));
    ctrl_.Layout();
  } else if (cmd == "show") {
    view_.Print(out_);
  } else {
    return Reject("cannot understand this line: no command " + Unquoted(cmd));
  }
  return true;
}

bool ScriptHost::Run(std::istream& script) {
  bool ok = true;
  std::string line;
  for (;;) {
    const LineRead read = ReadScriptLine(script, line);
    if (read == LineRead::kEnd) break;
    if (read == LineRead::kTooLong) {
      ++lineNumber_;
      Reject("longer than " + std::to_string(kMaxScriptLine) + " bytes; skipped");
      ok = false;
      continue;
    }
    ok = RunLine(line) && ok;
  }
  return ok;
}

}  // namespace vard

namespace vard {

// "answer duplicate overwrite|resume|cancel|saveas PATH [all]",
// "answer stop yes|no", "answer folder PATH",
// "answer openorsave open|save PATH|saveopen PATH|cancel", "answer open
// yes|no": the next such question of a download dialog takes this answer.
bool ScriptHost::Answer(const std::vector<std::string>& words) {
  const char* usage =
      "usage: answer duplicate overwrite|resume|cancel|saveas PATH [all] | stop yes|no | folder PATH | "
      "openorsave open|save PATH|saveopen PATH|cancel | open yes|no";
  if (!consoleDialogs_) return Reject("answers need the console's download dialogs");
  if (words.size() < 3) return Reject(usage);
  const auto path = [](const std::string& word) {
    std::u16string p = Utf8ToUtf16(Unquoted(word));
    for (char16_t& c : p)
      if (c == u'/') c = u'\\';
    return p;
  };
  ConsoleAnswers& answers = consoleDialogs_->Answers();
  const std::string& what = words[1];
  const std::string& how = words[2];
  if (what == "stop" && (how == "yes" || how == "no")) {
    answers.stops.push_back(how == "yes");
  } else if (what == "open" && (how == "yes" || how == "no")) {
    answers.opens.push_back(how == "yes");
  } else if (what == "folder") {
    answers.folders.push_back(path(how));
  } else if (what == "openorsave") {
    using Choice = OpenOrSaveAnswer::Choice;
    if (how == "cancel") {
      answers.openOrSave.push_back(std::nullopt);
    } else if (how == "open") {
      answers.openOrSave.push_back(OpenOrSaveAnswer{});
    } else if ((how == "save" || how == "saveopen") && words.size() > 3) {
      answers.openOrSave.push_back(OpenOrSaveAnswer{how == "save" ? Choice::kSave : Choice::kSaveAndOpen, path(words[3])});
    } else {
      return Reject(usage);
    }
  } else if (what == "duplicate") {
    DuplicateAnswer a;
    size_t next = 3;
    if (how == "overwrite") a.code = existing_file::kOverwrite;
    else if (how == "resume") a.code = existing_file::kResume;
    else if (how == "cancel") a.code = existing_file::kSkip;
    else if (how == "saveas" && words.size() > 3) {
      a.code = existing_file::kSaveAs;
      a.newPath = path(words[3]);
      next = 4;
    } else {
      return Reject(usage);
    }
    a.applyToAll = words.size() > next && words[next] == "all";
    answers.duplicates.push_back(a);
  } else {
    return Reject(usage);
  }
  out_ << "  = ok\n";
  return true;
}

}  // namespace vard
