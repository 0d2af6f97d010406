#include "control/engine/RemoteSize.h"

#include "common/http/InternetHandles.h"
#include "common/text/UrlEncoding.h"

namespace vard {
namespace {

namespace inet = platform::inet;

constexpr char16_t kAgentName[] = u"VardFileDownloader";

// A header value read as a signed decimal: leading blanks, a sign, digits up
// to the first other character; 0 when there are none.
int64_t LeadingDecimal(const std::u16string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    const uint64_t next = value * 10 + static_cast<uint64_t>(text[i] - u'0');
    if (next > static_cast<uint64_t>(INT64_MAX)) return 0;  // no size of ours is that big
    value = next;
  }
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

}  // namespace

int64_t QueryRemoteSize(const std::u16string& url, bool utf8) {
  try {
    CInternetSession session;
    session.Open(kAgentName, inet::kOpenTypePreconfig, nullptr, nullptr, 0);
    CInternetFile file;
    file.OpenUrl(session.Handle(), EncodeUrl(url, utf8), u"", inet::kFlagReload);
    std::u16string length;
    if (!file.QueryInfoText(inet::kQueryContentLength, length)) return 0;
    return LeadingDecimal(length);
  } catch (const CInternetException&) {
    return 0;
  }
}

}  // namespace vard
