#include "common/http/HttpFormPost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "common/http/CrackedUrl.h"
#include "common/http/OneLineText.h"
#include "common/platform/Clock.h"
#include "common/platform/CodePage.h"
#include "common/text/Utf.h"

namespace vard {

namespace p = platform;

namespace {

std::mutex g_boundaryMutex;
std::u16string g_boundary = u"---------------------------xxyyzz00dAP5";

int64_t UnixSeconds(const p::UtcTime& t) {
  // Days from the civil date (proleptic Gregorian).
  const int y = t.year - (t.month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (t.month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + t.day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

std::string Encode(std::u16string_view text, bool utf8) {
  return utf8 ? Utf16ToUtf8(text) : p::Utf16ToAnsi(text);
}

const char16_t* const kAcceptTypes[] = {
    u"Accept: image/gif", u"image/x-xbitmap", u"image/jpeg", u"image/pjpeg",
    u"application/x-shockwave-flash", u"application/vnd.ms-excel",
    u"application/vnd.ms-powerpoint", u"application/msword,", u"*/*", nullptr};

constexpr uint32_t kPostFlags =
    p::inet::kFlagNoCacheWrite | p::inet::kFlagKeepConnection | p::inet::kFlagFormsSubmit;

}  // namespace

FormField::FormField(std::u16string_view n, std::u16string_view v, bool u)
    : name(n), value(v), utf8(u) {
  partText = u"Content-Disposition: form-data; name=\"" + name + u"\"\r\n" + u"\r\n" + value + u"\r\n";
}

std::string FormField::Serialize(std::u16string_view boundary) const {
  return Encode(u"--" + std::u16string(boundary) + u"\r\n" + partText, utf8);
}

CHttpFormPost::CHttpFormPost(bool utf8, platform::IClock& clock)
    : session_(std::make_unique<CInternetSession>()),
      connection_(std::make_unique<CHttpConnection>()),
      request_(std::make_unique<CHttpFile>()),
      utf8_(utf8),
      clock_(clock) {}

CHttpFormPost::~CHttpFormPost() {
  request_.reset();
  connection_.reset();
  session_.reset();
  fields_.clear();
  fileNames_.clear();
}

void CHttpFormPost::AddTextField(std::u16string_view name, std::u16string_view value) {
  // A line break would end the part's header or forge a part: the field is
  // left out of the post.
  if (!FitsOneLine(name) || name.find(u'"') != name.npos ||
      OneLineOrNothing(value, u"form field \"" + std::u16string(name) + u"\"").size() != value.size())
    return;
  fields_.emplace_back(name, value, utf8_);
}

void CHttpFormPost::AddNumberField(std::u16string_view name, int64_t value) {
  fields_.emplace_back(name, AsciiToUtf16(std::to_string(value)), utf8_);
}

std::u16string CHttpFormPost::GenerateBoundary(int64_t seconds) {
  static const char16_t kLetters[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static const char16_t kDigits[] = u"0123456789";
  // The generator and the shared text change together, never interleaved.
  std::lock_guard lock(g_boundaryMutex);
  g_boundary.clear();
  std::srand(static_cast<unsigned>(seconds));
  g_boundary = u"---------------------------";
  for (int i = 0; i < 6; ++i) g_boundary += kLetters[std::rand() % 52];
  for (int i = 0; i < 2; ++i) g_boundary += kDigits[std::rand() % 10];
  g_boundary += kLetters[std::rand() % 52];
  g_boundary += u"MW5";
  return g_boundary;
}

std::u16string CHttpFormPost::CurrentBoundary() {
  std::lock_guard lock(g_boundaryMutex);
  return g_boundary;
}

std::string CHttpFormPost::ClosingText(std::u16string_view boundary) {
  return p::Utf16ToAnsi(u"--" + std::u16string(boundary) + u"--\r\n");
}

void CHttpFormPost::Begin(std::u16string_view url, const std::u16string& boundary, uint64_t contentLength) {
  status_ = 0;
  const CrackedUrl cracked(url);
  const std::u16string headers = u"Content-type: multipart/form-data; boundary=" + boundary + u"\r\n" +
                                 u"Accept-Encoding: gzip, deflate";
  if (!sharedSession_) session_->Open(u"VardMW5");
  connection_->Connect(sharedSession_ ? sharedSession_ : session_->Handle(), cracked.host, cracked.port, nullptr,
                       nullptr);
  // An https URL is posted over TLS, its certificate checked as a download's.
  const bool secure = cracked.schemeNumber == static_cast<int>(p::inet::Scheme::kHttps);
  request_->OpenRequest(connection_->Handle(), u"POST", cracked.ObjectName(), u"HTTP/1.0", nullptr, kAcceptTypes,
                        kPostFlags | (secure ? p::inet::kFlagSecure : 0));
  request_->SendRequestEx(headers, static_cast<uint32_t>(contentLength));
}

std::u16string CHttpFormPost::Finish() {
  request_->EndRequest();
  uint32_t status = 0;
  if (request_->QueryInfoNumber(p::inet::kQueryStatusCode | p::inet::kQueryFlagNumber, status)) status_ = status;
  const std::string answer = ReadAnswer();
  std::u16string text = utf8_ ? Utf8ToUtf16(answer) : p::AnsiToUtf16(answer);
  session_->Close();
  connection_->Close();
  request_->Close();
  return text;
}

std::u16string CHttpFormPost::Post(std::u16string_view url) {
  try {
    // This post keeps its own copy: another thread's post may regenerate the
    // shared boundary while this one is still writing.
    const std::u16string boundary = GenerateBoundary(UnixSeconds(clock_.UtcNow()));
    // One write: each write may go out as a packet of its own.
    std::string body;
    for (const auto& field : fields_) body += field.Serialize(boundary);
    body += ClosingText(boundary);

    Begin(url, boundary, body.size());
    request_->Write(body.data(), static_cast<uint32_t>(body.size()));
    return Finish();
  } catch (const CInternetException& e) {
    CInternetException copy(e);
    throw copy;
  }
}

std::u16string CHttpFormPost::PostWithFile(std::u16string_view url, const std::string& fileHeader,
                                           uint64_t dataLength,
                                           const std::function<void(const DataWriter&)>& writeData) {
  try {
    const std::u16string boundary = GenerateBoundary(UnixSeconds(clock_.UtcNow()));
    // The text before the data and the text after it go in one write each:
    // each write may go out as a packet of its own.
    const std::string opening = p::Utf16ToAnsi(u"--" + boundary) + fileHeader;
    std::string closing = "\r\n";
    for (const auto& field : fields_) closing += field.Serialize(boundary);
    closing += ClosingText(boundary);

    Begin(url, boundary, opening.size() + dataLength + closing.size());
    request_->Write(opening.data(), static_cast<uint32_t>(opening.size()));
    uint64_t left = dataLength;
    writeData([&](const void* data, uint32_t size) {
      // The announced length holds whatever the caller hands in.
      const auto n = static_cast<uint32_t>(std::min<uint64_t>(size, left));
      if (n) request_->Write(data, n);
      left -= n;
    });
    // A body shorter than announced would take the next bytes for data.
    if (left != 0) throw CInternetException(request_->Handle(), u"The file section ended short");
    request_->Write(closing.data(), static_cast<uint32_t>(closing.size()));
    return Finish();
  } catch (const CInternetException& e) {
    CInternetException copy(e);
    throw copy;
  }
}

std::string CHttpFormPost::ReadAnswer() {
  std::string answer;
  bool anyBlock = false;
  int failures = 0;
  for (;;) {
    try {
      const uint32_t n = request_->QueryDataAvailable();
      std::unique_ptr<char[]> block(new char[size_t{n} + 1]);
      const uint32_t got = request_->Read(block.get(), n);
      if (got == 0) break;
      block[got] = 0;
      answer.append(block.get(), std::strlen(block.get()));
      anyBlock = true;
      failures = 0;
    } catch (const CInternetException&) {
      // Before any block there is nothing to wait for; after one, a few more
      // tries, so a dead connection cannot hold the worker for ever.
      if (!anyBlock || ++failures > kAnswerRetries) break;
    }
  }
  return answer;
}

}  // namespace vard
