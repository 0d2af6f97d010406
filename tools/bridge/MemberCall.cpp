#include "tools/bridge/MemberCall.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "common/text/Utf.h"

namespace vard::bridge {
namespace {

std::string Hex(int32_t hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

MemberCall Failed(int32_t hr, std::string message) {
  MemberCall call;
  call.hr = hr;
  call.message = std::move(message);
  return call;
}

// Whole numbers as the automation layer rounds them: half to even.
std::optional<int64_t> RoundedWhole(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double r = std::nearbyint(v);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
  return static_cast<int64_t>(r);
}

// One argument changed to its declared type; kSOk or the HRESULT.
int32_t Convert(const Json& value, char type, Variant& out) {
  if (value.type() == Json::Type::kArray || value.type() == Json::Type::kObject) return kDispTypeMismatch;
  if (value.IsNull()) {
    if (type != 'v') return kDispTypeMismatch;
    out = Variant();
    return kSOk;
  }
  Variant v;
  if (value.type() == Json::Type::kNumber && !value.AsWhole()) {
    if (type == 's' || type == 'v') {
      char text[32];
      std::snprintf(text, sizeof text, "%.15g", value.AsNumber());
      v = Variant::String(AsciiToUtf16(text));
    } else {
      const auto r = RoundedWhole(value.AsNumber());
      if (!r) return kDispOverflow;
      v = Variant::I8(*r);
    }
  } else {
    v = *JsonToVariant(value);
  }
  switch (type) {
    case 'v': out = std::move(v); return kSOk;
    case 's': out = Variant::String(v.ToText()); return kSOk;
    case 'b': {
      const auto b = v.ToVariantBool();
      if (!b) return kDispTypeMismatch;
      out = Variant::Bool(*b);
      return kSOk;
    }
    default: {
      // A boolean true is -1 to the automation layer, so it overflows an
      // unsigned argument as any negative number does.
      const auto n = v.ToInteger();
      if (!n) return kDispTypeMismatch;
      const int64_t min = type == 'h' ? std::numeric_limits<int16_t>::min() : 0;
      const int64_t max = type == 'h' ? std::numeric_limits<int16_t>::max() : std::numeric_limits<uint32_t>::max();
      if (*n < min || *n > max) return kDispOverflow;
      out = type == 'h' ? Variant::I2(static_cast<int16_t>(*n)) : Variant::UI4(static_cast<uint32_t>(*n));
      return kSOk;
    }
  }
}

}  // namespace

std::optional<Variant> JsonToVariant(const Json& v) {
  switch (v.type()) {
    case Json::Type::kNull: return Variant();
    case Json::Type::kBool: return Variant::Bool(v.AsBool() ? kVariantTrue : kVariantFalse);
    case Json::Type::kString: return Variant::String(Utf8ToUtf16(v.AsString()));
    case Json::Type::kNumber: {
      if (const auto whole = v.AsWhole()) {
        if (*whole >= INT32_MIN && *whole <= INT32_MAX) return Variant::I4(static_cast<int32_t>(*whole));
        return Variant::I8(*whole);
      }
      char text[32];
      std::snprintf(text, sizeof text, "%.15g", v.AsNumber());
      return Variant::String(AsciiToUtf16(text));
    }
    default: return std::nullopt;
  }
}

Json VariantToJson(const Variant& v) {
  switch (v.type) {
    case Variant::Type::kEmpty: return Json();
    case Variant::Type::kBool: return Json::Bool(v.number != 0);
    case Variant::Type::kString: return Json::String(Utf16ToUtf8(v.text));
    case Variant::Type::kArrayI4: {
      Json a = Json::Array();
      for (int32_t n : v.array) a.Push(Json::Number(n));
      return a;
    }
    default: return Json::Number(static_cast<double>(v.number));
  }
}

MemberCall PrepareMemberCall(const std::string& op, const std::string& name, const Json& args) {
  const dispid::Member* m = dispid::FindMember(Utf8ToUtf16(name));
  if (!m) return Failed(kDispUnknownName, "no member named " + name);
  const bool isProperty = m->kind != dispid::MemberKind::kMethod;
  MemberCall call;
  call.member = m;
  std::string_view params;
  if (op == "put") {
    if (m->kind != dispid::MemberKind::kProperty)
      return Failed(kDispMemberNotFound, name + " is not a property that can be put");
    call.kind = InvokeKind::kPut;
    Variant value;
    if (const int32_t hr = Convert(args, m->putType, value); hr != kSOk)
      return Failed(hr, "put " + name + ": the value does not convert (" + Hex(hr) + ")");
    call.args.push_back(std::move(value));
    return call;
  }
  if (op == "get") {
    if (!isProperty) return Failed(kDispMemberNotFound, name + " is a method: use call");
    call.kind = InvokeKind::kGet;
  } else if (op == "call") {
    // A script may call a property with its index, as ctrl.GetFileName(0).
    call.kind = isProperty ? InvokeKind::kGet : InvokeKind::kMethod;
  } else {
    return Failed(kDispMemberNotFound, "no operation " + op);
  }
  if (args.type() != Json::Type::kArray && !args.IsNull())
    return Failed(kDispTypeMismatch, "args must be an array");
  params = m->params;
  const std::vector<Json> none;
  const std::vector<Json>& given = args.IsNull() ? none : args.Items();
  size_t required = 0;
  for (char p : params) required += p != 'v';
  if (given.size() > params.size() || given.size() < required)
    return Failed(kDispBadParamCount, name + " takes " + std::to_string(required) +
                                          (params.size() > required ? " to " + std::to_string(params.size()) : "") +
                                          " argument(s), not " + std::to_string(given.size()));
  for (size_t i = 0; i < given.size(); ++i) {
    Variant v;
    if (const int32_t hr = Convert(given[i], params[i], v); hr != kSOk)
      return Failed(hr, "argument " + std::to_string(i + 1) + " of " + name + " does not convert (" + Hex(hr) + ")");
    call.args.push_back(std::move(v));
  }
  return call;
}

}  // namespace vard::bridge
