#pragma once
// The content type the system gives a file by its extension: the "Content
// Type" value of HKEY_CLASSES_ROOT\.<ext> (on POSIX the registry stand-in
// answers it from the MIME table, /etc/mime.types or $VARDEL_MIME_TYPES).
#include <string>
#include <string_view>

#include "common/platform/Registry.h"

namespace vard::platform {

inline constexpr char16_t kDefaultContentType[] = u"application/octet-stream";

// `path` in either separator style; a name without an extension, or one the
// system does not know, gives kDefaultContentType.
std::u16string ContentTypeOf(IRegistry& registry, std::u16string_view path);

}  // namespace vard::platform
