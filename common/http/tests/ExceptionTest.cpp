#include <gtest/gtest.h>

#include "common/http/InternetException.h"
#include "common/platform/FileSystem.h"

namespace vard {
namespace {

namespace p = platform;

bool FailsWithInvalidHandle(uint32_t*, char16_t*, uint32_t*) {
  p::SetLastErrorCode(p::error::kInvalidHandle);
  return false;
}
bool FailsShortBuffer(uint32_t*, char16_t*, uint32_t*) {
  p::SetLastErrorCode(p::inet::kInsufficientBuffer);
  return false;
}
bool AnswersText(uint32_t* error, char16_t* buffer, uint32_t* length) {
  *error = 550;
  const std::u16string text = u"550 No such file";
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  *length = static_cast<uint32_t>(text.size());
  return true;
}

TEST(InternetExceptionTest, FieldsAndFormattedMessage) {
  p::SetLastErrorCode(p::inet::kCannotConnect);
  int handle = 0;
  const CInternetException e(AnswersText, &handle, u"Failed to connect to server (%s:%u)", {u"host", 8080});
  EXPECT_EQ(e.handle, &handle);
  EXPECT_EQ(e.systemError, p::inet::kCannotConnect);
  EXPECT_EQ(e.responseError, 550u);
  EXPECT_EQ(e.responseText, u"550 No such file");
  EXPECT_EQ(e.message, u"Failed to connect to server (host:8080)");
}

TEST(InternetExceptionTest, ResponseTextWhenItsQueryFails) {
  EXPECT_EQ(CInternetException(FailsWithInvalidHandle, nullptr, u"x").responseText, u"Unknown error");
  EXPECT_EQ(CInternetException(FailsShortBuffer, nullptr, u"x").responseText, u"");
}

TEST(InternetExceptionTest, MessageIsCutToItsBuffer) {
  const std::u16string url(700, u'u');
  const CInternetException e(nullptr, u"Failed to open http url (%s)", {url});
  EXPECT_EQ(e.message.size(), 511u);
  EXPECT_EQ(e.message.substr(0, 25), u"Failed to open http url (");
}

}  // namespace
}  // namespace vard
