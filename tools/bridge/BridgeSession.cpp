#include "tools/bridge/BridgeSession.h"

#include "common/text/CaseFold.h"
#include "common/text/Utf.h"
#include "control/ControlPersistence.h"
#include "control/DispatchIds.h"
#include "tools/bridge/Framing.h"
#include "tools/bridge/MemberCall.h"

namespace vard::bridge {
namespace {

// The page's PARAM values, as the control reads them when it is created.
class ParamBag final : public IPropertyBag {
 public:
  std::optional<Variant> Read(const std::u16string& name) override {
    for (const auto& [key, value] : values)
      if (EqualsIgnoreCase(key, name)) return value;
    return std::nullopt;
  }
  void Write(const std::u16string&, const Variant&) override {}
  std::vector<std::pair<std::u16string, Variant>> values;
};

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
  error.Set("code", Json::Number(static_cast<uint32_t>(code))).Set("message", Json::String(message));
  Json reply = Json::Object();
  reply.Set("id", id).Set("error", std::move(error));
  send_(WriteJson(reply));
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
  std::string why;
  const std::optional<Json> message = ParseJson(text, &why);
  if (!message) return Refuse("not a JSON message: " + why);
  if (message->type() != Json::Type::kObject) return Refuse("a message is a JSON object");
  const Json* found = message->Find("id");
  const Json id = found ? *found : Json();
  if (id.type() == Json::Type::kArray || id.type() == Json::Type::kObject)
    return Error(Json(), kInvalidArg, "an id is a number or a string");
  const Json* op = message->Find("op");
  if (!op || op->type() != Json::Type::kString) return Error(id, kInvalidArg, "a message needs an op");
  if (op->AsString() == "create") return Create(id, *message);
  if (op->AsString() == "get" || op->AsString() == "put" || op->AsString() == "call")
    return Member(id, op->AsString(), *message);
  Error(id, kInvalidArg, "no op " + op->AsString());
}

void BridgeSession::Create(const Json& id, const Json& message) {
  if (ctrl_) return Error(id, kUnexpected, "this connection's control exists already");
  // The page's address comes from the browser, never from the page's text.
  const Json* page = message.Find("page");
  if (!page || page->type() != Json::Type::kString) return Error(id, kInvalidArg, "create needs the page's URL");
  ParamBag bag;
  if (const Json* params = message.Find("params"); params && !params->IsNull()) {
    if (params->type() != Json::Type::kObject) return Error(id, kInvalidArg, "params is an object of PARAM values");
    for (const auto& [name, value] : params->Members()) {
      std::optional<Variant> v = JsonToVariant(value);
      if (!v) return Error(id, kDispTypeMismatch, "PARAM " + name + " is not a plain value");
      bag.values.emplace_back(Utf8ToUtf16(name), std::move(*v));
    }
  }
  ctrl_ = std::make_unique<CKT5Ctrl>(makeServices_());
  cookie_ = ctrl_->Advise(this);
  // Trust is decided before the PARAMs: an untrusted page's folders are
  // held to its download folder from the first value on.
  ctrl_->SetPageUrl(Utf8ToUtf16(page->AsString()));
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
