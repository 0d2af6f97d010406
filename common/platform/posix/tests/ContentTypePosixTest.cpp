// The POSIX table behind the content types, pointed at a table of the
// test's own so that no system table decides the outcome.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "common/platform/ContentType.h"
#include "common/platform/Environment.h"

namespace vard::platform {
namespace {

class ContentTypeTable : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetEnv("VARDEL_MIME_TYPES");
    std::ofstream(path_) << "# a comment naming vt1\n"
                            "text/x-first\tvt1 vt2\n"
                            "image/x-later vt2\n"
                            "bad/type\x01 vbad\n";
    SetEnv("VARDEL_MIME_TYPES", path_.c_str());
  }
  void TearDown() override {
    SetEnv("VARDEL_MIME_TYPES", saved_ ? saved_->c_str() : nullptr);
    std::remove(path_.c_str());
  }

  std::optional<std::string> saved_;
  // One table per process: runs of other builds may share the folder.
  std::string path_ = GetEnv("TMPDIR").value_or("/tmp") + "/vard-mime-" + std::to_string(::getpid()) + ".types";
};

TEST_F(ContentTypeTable, TheFirstTypeListingTheExtensionWinsWhateverItsCase) {
  IRegistry& registry = SystemRegistry();
  EXPECT_EQ(ContentTypeOf(registry, u"C:\\a\\b.vt1"), u"text/x-first");
  EXPECT_EQ(ContentTypeOf(registry, u"C:\\a\\b.VT2"), u"text/x-first");
  EXPECT_EQ(ContentTypeOf(registry, u"\\home\\u\\archive.tar.vt1"), u"text/x-first");
  // A comment is no entry; a type that cannot be a header value is none.
  EXPECT_EQ(ContentTypeOf(registry, u"x.comment"), kDefaultContentType);
  EXPECT_EQ(ContentTypeOf(registry, u"x.vbad"), kDefaultContentType);
  EXPECT_EQ(ContentTypeOf(registry, u"x.none"), kDefaultContentType);
}

// The table is kept between lookups, but never past a change of the file.
TEST_F(ContentTypeTable, AChangedTableIsReadAgain) {
  IRegistry& registry = SystemRegistry();
  EXPECT_EQ(ContentTypeOf(registry, u"b.vt1"), u"text/x-first");
  std::ofstream(path_) << "application/x-new vt1 vnew\n";
  EXPECT_EQ(ContentTypeOf(registry, u"b.vt1"), u"application/x-new");
  EXPECT_EQ(ContentTypeOf(registry, u"b.vnew"), u"application/x-new");
  std::remove(path_.c_str());
  EXPECT_EQ(ContentTypeOf(registry, u"b.vt1"), kDefaultContentType);
}

}  // namespace
}  // namespace vard::platform
