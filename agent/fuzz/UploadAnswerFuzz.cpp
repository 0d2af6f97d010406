// libFuzzer target: any bytes, as UTF-8 text, as a server's answer to
// getFileInfo. What the parser keeps must be safe to send back and use.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "agent/jobs/UploadAnswer.h"
#include "common/text/Utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string answer = vard::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(data), size));
  const vard::FileInfoAnswer a = vard::ParseFileInfoAnswer(answer);
  if (a.fileSize < 0) std::abort();
  if (!a.fileName.empty() && !vard::UsableServerName(a.fileName)) std::abort();
  if (a.fileName.size() > 260) std::abort();
  for (char16_t c : a.fileName)
    if (c < 0x20 || c == u'/' || c == u'\\') std::abort();
  if (a.fileTime && (*a.fileTime < 0 || vard::CalendarTime(*a.fileTime).year > 9999)) std::abort();
  // Every value lies within the answer.
  for (const char16_t* key : {u"AskRename", u"FileName", u"FileSize", u"FileTime", u"ParentDisplayNameChain"})
    if (vard::AnswerValue(answer, key).size() > answer.size()) std::abort();
  return 0;
}
