#pragma once
// DISPIDs of the control's scripting interface and its events, and the
// member table that name lookup (GetIDsOfNames), the hosts and the browser
// bridge use: one list, read from KT5Ctrl.idl when the control is built.
#include <cstdint>
#include <string_view>

namespace vard::dispid {

enum class MemberKind { kProperty, kReadOnly, kMethod };

struct Member {
  std::u16string_view name;
  int32_t id;
  MemberKind kind;
  // Declared types, as the type library has them (s BSTR, b VARIANT_BOOL,
  // u unsigned 32-bit, h short, v optional VARIANT): of the method's or the
  // indexed getter's parameters, and of the value a put takes (' ': none).
  std::string_view params;
  char putType;
};

// The DISPIDs (k<Member>, k<Event>), the member table and the event names,
// made from the interface definition at build time.
#include "control/KT5Members.h"

// Looks a member up by name, ignoring case as GetIDsOfNames does.
const Member* FindMember(std::u16string_view name);
const Member* FindMember(int32_t id);
std::u16string_view EventName(int32_t id);

}  // namespace vard::dispid
