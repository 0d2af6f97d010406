#include "common/platform/posix/WindowRequest.h"

#include <charconv>

namespace vard::platform::posix {
namespace {

// A whole decimal, nothing before or after it ("+1", " 1", "1x" are not).
template <typename T>
bool Decimal(std::string_view text, T* value) {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool Fail(std::string* reason, const char* why) {
  *reason = why;
  return false;
}

}  // namespace

bool ParseWindowRequest(std::string_view text, WindowRequestParts* parts, std::string* reason) {
  using Verb = WindowRequestParts::Verb;
  if (text.size() > kMaxWindowRequest) return Fail(reason, "request too long");
  const size_t blank = text.find(' ');
  const std::string_view verb = text.substr(0, blank);
  const std::string_view rest = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
  const bool hasRest = blank != std::string_view::npos;
  if (verb == "foreground" || verb == "dump") {
    if (hasRest) return Fail(reason, "unexpected argument");
    parts->verb = verb == "dump" ? Verb::kDump : Verb::kForeground;
    return true;
  }
  if (verb == "command") {
    parts->verb = Verb::kCommand;
    return Decimal(rest, &parts->controlId) || Fail(reason, "bad control id");
  }
  if (verb == "close") {
    parts->verb = Verb::kClose;
    return Decimal(rest, &parts->wParam) || Fail(reason, "bad wParam");
  }
  if (verb == "send") {
    // The name may hold blanks: the numbers are the last two words.
    const size_t lBlank = rest.rfind(' ');
    if (lBlank == std::string_view::npos) return Fail(reason, "missing arguments");
    const size_t wBlank = rest.rfind(' ', lBlank == 0 ? std::string_view::npos : lBlank - 1);
    if (wBlank == std::string_view::npos || lBlank == 0 || wBlank == 0) return Fail(reason, "missing arguments");
    parts->verb = Verb::kSend;
    parts->name = std::string(rest.substr(0, wBlank));
    if (!Decimal(rest.substr(wBlank + 1, lBlank - wBlank - 1), &parts->wParam)) return Fail(reason, "bad wParam");
    if (!Decimal(rest.substr(lBlank + 1), &parts->lParam)) return Fail(reason, "bad lParam");
    return true;
  }
  return Fail(reason, "unknown request");
}

std::string SendRequestText(std::string_view name, uintptr_t wParam, intptr_t lParam) {
  return "send " + std::string(name) + " " + std::to_string(wParam) + " " + std::to_string(lParam);
}

}  // namespace vard::platform::posix
