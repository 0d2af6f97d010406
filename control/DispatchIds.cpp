#include "control/DispatchIds.h"

#include <iterator>

#include "common/text/CaseFold.h"

namespace vard::dispid {

const Member* FindMember(std::u16string_view name) {
  for (const Member& m : kMembers)
    if (EqualsIgnoreCase(m.name, name)) return &m;
  return nullptr;
}

const Member* FindMember(int32_t id) {
  for (const Member& m : kMembers)
    if (m.id == id) return &m;
  return nullptr;
}

std::u16string_view EventName(int32_t id) {
  return id > 0 && id < static_cast<int32_t>(std::size(kEventNames)) ? kEventNames[id] : u"";
}

}  // namespace vard::dispid
