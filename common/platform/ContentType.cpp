#include "common/platform/ContentType.h"

namespace vard::platform {
namespace {
// Long enough for any type the tables hold; a longer value is not a type.
constexpr size_t kTypeCapacity = 256;
}  // namespace

std::u16string ContentTypeOf(IRegistry& registry, std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot + 1 == name.size()) return kDefaultContentType;
  const std::u16string key(name.substr(dot));
  auto type = registry.ReadString(RegistryRoot::kClassesRoot, key, u"Content Type", kTypeCapacity);
  if (!type || type->empty()) return kDefaultContentType;
  // A header value must stay on its line.
  for (char16_t c : *type)
    if (c < 0x20 || c == 0x7F) return kDefaultContentType;
  return *type;
}

}  // namespace vard::platform
