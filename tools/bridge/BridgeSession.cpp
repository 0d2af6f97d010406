#include "tools/bridge/BridgeSession.h"

#include <exception>
#include <map>
#include <new>
#include <set>

#include "common/text/CaseFold.h"
#include "common/text/Utf.h"
#include "control/ControlPersistence.h"
#include "control/DispatchIds.h"
#include "tools/bridge/Framing.h"
#include "tools/bridge/MemberCall.h"

namespace vard::bridge {
namespace {

// The page's PARAM values, as the control reads them when it is created:
// names in any case, the first of each name counting. Only the names the
// control reads are kept, so that a page's hundred thousand PARAMs cost one
// lookup each.
class ParamBag final : public IPropertyBag {
 public:
  void Add(const std::u16string& name, Variant value) {
    static const std::set<std::u16string> read = [] {
      std::set<std::u16string> names;
      for (const std::u16string& n : PersistedNames()) names.insert(ToLower(n));
      return names;
    }();
    std::u16string folded = ToLower(name);
    if (read.count(folded)) values_.try_emplace(std::move(folded), std::move(value));
  }
  std::optional<Variant> Read(const std::u16string& name) override {
    const auto found = values_.find(ToLower(name));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  void Write(const std::u16string&, const Variant&) override {}

 private:
  std::map<std::u16string, Variant> values_;
};

// Messages quote what a page sent (a name, an op); a page may send a
// megabyte of it, and an error must stay short enough to send.
std::string Clipped(const std::string& message) {
  constexpr size_t kMost = 1024;
  if (message.size() <= kMost) return message;
  size_t end = kMost;
  while (end > 0 && (static_cast<unsigned char>(message[end]) & 0xC0) == 0x80) --end;  // inside a character
  return message.substr(0, end) + "...";
}

// A scheme, then something: "https://h/p", "about:srcdoc"; never "" or "/p".
bool IsAbsoluteUrl(std::string_view url) {
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == url.size() || !letter(url[0])) return false;
  for (const char c : url.substr(1, colon - 1))
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  for (const char c : url)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace

BridgeSession::BridgeSession(std::function<ControlServices()> makeServices, Send send)
    : makeServices_(std::move(makeServices)), send_(std::move(send)) {}

BridgeSession::~BridgeSession() {
  if (!ctrl_) return;
  ctrl_->PageGoingAway();
  ctrl_->Unadvise(cookie_);
  ctrl_->DestroyControlWindow();
}

void BridgeSession::Push(Json message) {
  std::string text = WriteJson(message);
  if (text.size() > kMaxFrame) return;  // nothing a page could be sent
  send_(text);
}

void BridgeSession::Reply(const Json& id, Json result) {
  Json reply = Json::Object();
  reply.Set("id", id).Set("result", std::move(result));
  std::string text = WriteJson(reply);
  if (text.size() > kMaxFrame) return Error(id, kOutOfMemory, "the answer is longer than a message may be");
  send_(text);
}

void BridgeSession::Error(const Json& id, int32_t code, const std::string& message) {
  Json error = Json::Object();
  // As a page writes it: 0x80020005 is a positive number in script.
  error.Set("code", Json::Number(static_cast<uint32_t>(code))).Set("message", Json::String(Clipped(message)));
  Json reply = Json::Object();
  reply.Set("id", id).Set("error", std::move(error));
  std::string text = WriteJson(reply);
  // Only an id can still be too long to echo; the page is told without it.
  if (text.size() > kMaxFrame) {
    reply.Set("id", Json());
    text = WriteJson(reply);
  }
  send_(text);
}

void BridgeSession::Refuse(const std::string& why) { Error(Json(), kInvalidArg, why); }

void BridgeSession::Progress(const std::string& line) {
  Json m = Json::Object();
  m.Set("event", Json::String("Progress")).Set("args", Json::Array({Json::String(line)}));
  Push(std::move(m));
}

void BridgeSession::Invoke(int32_t id, const std::vector<Variant>& args) {
  Json list = Json::Array();
  for (const Variant& v : args) list.Push(VariantToJson(v));
  Json m = Json::Object();
  m.Set("event", Json::String(Utf16ToUtf8(dispid::EventName(id)))).Set("args", std::move(list));
  Push(std::move(m));
}

void BridgeSession::Handle(std::string_view text) {
  // No message ends the host: what fails inside one (memory, a control's
  // member) fails that message alone.
  Json id;
  try {
    Dispatch(text, id);
  } catch (const std::bad_alloc&) {
    Error(id, kOutOfMemory, "the message could not be handled: out of memory");
  } catch (const std::exception& e) {
    Error(id, kUnexpected, std::string("the message could not be handled: ") + e.what());
  }
}

void BridgeSession::Dispatch(std::string_view text, Json& id) {
  std::string why;
  const std::optional<Json> message = ParseJson(text, &why);
  if (!message) return Refuse("not a JSON message: " + why);
  if (message->type() != Json::Type::kObject) return Refuse("a message is a JSON object");
  const Json* found = message->Find("id");
  // Checked before it is copied: an id may be a megabyte of values.
  if (found && (found->type() == Json::Type::kArray || found->type() == Json::Type::kObject))
    return Error(Json(), kInvalidArg, "an id is a number or a string");
  if (found) id = *found;
  const Json* op = message->Find("op");
  if (!op || op->type() != Json::Type::kString) return Error(id, kInvalidArg, "a message needs an op");
  if (op->AsString() == "create") return Create(id, *message);
  if (op->AsString() == "get" || op->AsString() == "put" || op->AsString() == "call")
    return Member(id, op->AsString(), *message);
  Error(id, kInvalidArg, "no op " + op->AsString());
}

void BridgeSession::Create(const Json& id, const Json& message) {
  if (ctrl_) return Error(id, kUnexpected, "this connection's control exists already");
  // The page's address and origin come from the browser, never from the
  // page's text. Without an address the control would take no page at all,
  // which it trusts.
  const Json* page = message.Find("page");
  if (!page || page->type() != Json::Type::kString || !IsAbsoluteUrl(page->AsString()))
    return Error(id, kInvalidArg, "create needs the page's absolute URL");
  const Json* origin = message.Find("origin");
  if (!origin || origin->type() != Json::Type::kString || origin->AsString().empty())
    return Error(id, kInvalidArg, "create needs the origin the browser gave the page (\"null\" when opaque)");
  ParamBag bag;
  if (const Json* params = message.Find("params"); params && !params->IsNull()) {
    if (params->type() != Json::Type::kObject) return Error(id, kInvalidArg, "params is an object of PARAM values");
    for (const auto& [name, value] : params->Members()) {
      std::optional<Variant> v = JsonToVariant(value);
      if (!v) return Error(id, kDispTypeMismatch, "PARAM " + name + " is not a plain value");
      bag.Add(Utf8ToUtf16(name), std::move(*v));
    }
  }
  ctrl_ = std::make_unique<CKT5Ctrl>(makeServices_());
  cookie_ = ctrl_->Advise(this);
  // Trust is decided before the PARAMs: an untrusted page's folders are
  // held to its download folder from the first value on.
  ctrl_->SetPageUrl(Utf8ToUtf16(page->AsString()), Utf8ToUtf16(origin->AsString()));
  LoadFromPropertyBag(*ctrl_, bag, nullptr);
  ctrl_->CreateControlWindow(&view_);
  Json result = Json::Object();
  result.Set("trusted", Json::Bool(ctrl_->PageTrusted()));
  Reply(id, std::move(result));
}

void BridgeSession::Member(const Json& id, const std::string& op, const Json& message) {
  if (!ctrl_) return Error(id, kUnexpected, "create the control first");
  const Json* name = message.Find("name");
  if (!name || name->type() != Json::Type::kString) return Error(id, kInvalidArg, op + " needs a member name");
  const Json* args = message.Find("args");
  Json none;
  const Json* given = args ? args : &none;
  // A put carries its one value as a one-item args array.
  if (op == "put") {
    if (given->type() != Json::Type::kArray || given->Items().size() != 1)
      return Error(id, kDispBadParamCount, "put takes one value");
    given = &given->Items()[0];
  }
  MemberCall call = PrepareMemberCall(op, name->AsString(), *given);
  if (call.hr != kSOk) return Error(id, call.hr, call.message);
  Variant result;
  const int32_t hr = ctrl_->Invoke(call.member->id, call.kind, call.args, &result);
  if (hr != kSOk) return Error(id, hr, name->AsString() + " failed");
  Reply(id, VariantToJson(result));
}

}  // namespace vard::bridge
