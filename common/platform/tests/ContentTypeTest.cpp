// The content type of a file by its extension, through the system's table.
#include "common/platform/ContentType.h"

#include <gtest/gtest.h>

namespace vard::platform {
namespace {

TEST(ContentType, NamesWithoutAKnownExtensionAreOctetStreams) {
  IRegistry& registry = SystemRegistry();
  for (const char16_t* path : {u"C:\\dir\\noext", u"C:\\dir.d\\noext", u"C:\\dir\\trailing.", u"",
                               u"C:\\dir\\a.zzqqvardunknown", u"/home/u/x.zzqqvardunknown"}) {
    EXPECT_EQ(ContentTypeOf(registry, path), kDefaultContentType);
  }
}

}  // namespace
}  // namespace vard::platform
