#include "common/ui/SaveAsName.h"

#include <gtest/gtest.h>

namespace vard {
namespace {

TEST(SaveAsName, TheTypeFilterAddsTheGivenExtensionOnlyWhereItIsMissing) {
  EXPECT_EQ(SaveAsName(u"C:\\d\\report", u"r.pdf", true), u"C:\\d\\report.pdf");
  EXPECT_EQ(SaveAsName(u"C:\\d\\report.txt", u"r.pdf", true), u"C:\\d\\report.txt.pdf");
  EXPECT_EQ(SaveAsName(u"C:\\d\\REPORT.PDF", u"r.pdf", true), u"C:\\d\\REPORT.PDF");
  // "All files" keeps what the user typed; a name without an extension
  // has nothing to add.
  EXPECT_EQ(SaveAsName(u"C:\\d\\report.txt", u"r.pdf", false), u"C:\\d\\report.txt");
  EXPECT_EQ(SaveAsName(u"C:\\d\\report", u"README", true), u"C:\\d\\report");
  // A dot in a folder name is not an extension.
  EXPECT_EQ(ExtensionOf(u"C:\\v1.2\\notes"), u"");
  EXPECT_EQ(SaveAsName(u"C:\\v1.2\\notes", u"n.txt", true), u"C:\\v1.2\\notes.txt");
}

}  // namespace
}  // namespace vard
