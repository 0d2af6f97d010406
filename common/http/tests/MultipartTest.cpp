#include <gtest/gtest.h>

#include "common/http/testing/Multipart.h"

namespace vard::http_testing {
namespace {

TEST(MultipartTest, ReadsPartsAndRejectsMalformedBodies) {
  EXPECT_EQ(BoundaryOf("multipart/form-data; boundary=--xyMW5"), "--xyMW5");
  const std::string body =
      "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n2\r\n"
      "--B\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n\r\n--B--\r\n";
  const auto parts = ParseMultipart(body, "B");
  ASSERT_TRUE(parts);
  ASSERT_EQ(parts->size(), 2u);
  EXPECT_EQ((*parts)[0].name, "a");
  EXPECT_EQ((*parts)[0].value, "1\r\n2");
  EXPECT_EQ((*parts)[1].value, "");
  EXPECT_TRUE(ParseMultipart("--B--\r\n", "B")->empty());
  EXPECT_FALSE(ParseMultipart(body.substr(0, body.size() - 2), "B"));
  EXPECT_FALSE(ParseMultipart("--C--\r\n", "B"));
}

}  // namespace
}  // namespace vard::http_testing
