#pragma once
// A multipart/form-data POST of text fields that returns the server's answer
// as text. Owned by one thread; posts of different threads may run at once
// (each post keeps the boundary it generated).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/http/InternetHandles.h"
#include "common/platform/Clock.h"

namespace vard {

struct FormField {
  FormField(std::u16string_view name, std::u16string_view value, bool utf8);
  // "--" + boundary + "\r\n" + part text, in UTF-8 or the ANSI code page.
  std::string Serialize(std::u16string_view boundary) const;

  std::u16string name;
  std::u16string value;
  std::u16string partText;
  bool utf8;
};

class CHttpFormPost {
 public:
  // `clock` dates the boundary's seed.
  explicit CHttpFormPost(bool utf8 = true, platform::IClock& clock = platform::SystemClock());
  ~CHttpFormPost();

  // A field whose name or value holds a CR, LF or NUL (or whose name holds a
  // quote) is left out.
  void AddTextField(std::u16string_view name, std::u16string_view value);
  void AddNumberField(std::u16string_view name, int64_t value);
  // Posts over this open session (a worker's) instead of one of its own, so
  // that closing it from another thread breaks a post blocked on a server.
  void UseSession(platform::InternetHandle session) { sharedSession_ = session; }
  // Sends the fields and returns the answer; closes the handles on success.
  // Throws CInternetException (the handles then stay open until destruction).
  std::u16string Post(std::u16string_view url);

  // Hands the file section's data to the request, one block per call.
  using DataWriter = std::function<void(const void* data, uint32_t size)>;
  // A post whose body starts with a file section: "--" + boundary, then
  // `fileHeader` (it begins with "\r\n"), `dataLength` bytes that `writeData`
  // writes, "\r\n", the fields and the closing text. The length announced is
  // exactly that body's; writes beyond `dataLength` are cut. What `writeData`
  // throws leaves the post as it is thrown.
  std::u16string PostWithFile(std::u16string_view url, const std::string& fileHeader, uint64_t dataLength,
                              const std::function<void(const DataWriter&)>& writeData);
  // The status code of the last answer, 0 when none was read.
  uint32_t AnswerStatus() const { return status_; }

  const std::vector<FormField>& Fields() const { return fields_; }

  // The process-wide boundary: 27 hyphens, six letters, two digits, a letter
  // and "MW5", from the C generator seeded with `seconds`. Stores and returns it.
  static std::u16string GenerateBoundary(int64_t seconds);
  static std::u16string CurrentBoundary();
  static std::string ClosingText(std::u16string_view boundary);

  // Failed reads after the first block before the answer loop gives up.
  static constexpr int kAnswerRetries = 3;

 private:
  // Opens the request and sends its headers for a body of `contentLength`.
  void Begin(std::u16string_view url, const std::u16string& boundary, uint64_t contentLength);
  // Ends the request and reads the answer; closes the handles.
  std::u16string Finish();
  std::string ReadAnswer();

  std::unique_ptr<CInternetSession> session_;
  std::unique_ptr<CHttpConnection> connection_;
  std::unique_ptr<CHttpFile> request_;
  std::vector<FormField> fields_;
  std::vector<std::u16string> fileNames_;  // reserved; no caller sends files
  platform::InternetHandle sharedSession_ = nullptr;
  bool utf8_;
  platform::IClock& clock_;
  uint32_t status_ = 0;
};

}  // namespace vard
