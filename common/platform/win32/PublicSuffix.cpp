#include "common/platform/PublicSuffix.h"

namespace vard::platform {

bool IsPublicSuffix(std::u16string_view domain) { return KnownSecondLevelSuffix(domain); }

}  // namespace vard::platform
