#pragma once
// A page's member call as JSON, checked and converted the way the
// automation layer checks a script's call against the type library:
// members by their scripting names, each argument changed to its declared
// type, HRESULTs for what does not fit. The control itself then runs it.
#include <cstdint>
#include <string>
#include <vector>

#include "control/CKT5Ctrl.h"
#include "control/DispatchIds.h"
#include "tools/bridge/Json.h"

namespace vard::bridge {

constexpr int32_t kDispUnknownName = static_cast<int32_t>(0x80020006);
constexpr int32_t kDispTypeMismatch = static_cast<int32_t>(0x80020005);
constexpr int32_t kDispOverflow = static_cast<int32_t>(0x8002000A);

struct MemberCall {
  int32_t hr = kSOk;            // kSOk: ready to run
  std::string message;          // why not, for the page
  const dispid::Member* member = nullptr;
  InvokeKind kind = InvokeKind::kGet;
  std::vector<Variant> args;
};

// `op` is "get", "put" or "call"; `args` a JSON array (put: its value).
MemberCall PrepareMemberCall(const std::string& op, const std::string& name, const Json& args);

// What the page gets back from a member.
Json VariantToJson(const Variant& v);

// A value of the page (a PARAM value, an event argument) as the control's
// variant, without a declared type: strings, booleans and whole numbers;
// other numbers as their text. Nothing for arrays and objects.
std::optional<Variant> JsonToVariant(const Json& v);

}  // namespace vard::bridge
