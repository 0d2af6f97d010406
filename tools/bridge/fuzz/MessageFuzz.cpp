// libFuzzer on what a page's bytes go through before the control sees them:
// the JSON reader, the writer (what is read must write back as JSON that
// reads the same) and the member call's checks and conversions; then the
// same bytes as the browser's stream, through the frame reader into a whole
// session on the faked control (create, get, put, call), where every answer
// must be a JSON object that fits a frame.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/platform/MessageStreams.h"
#include "control/tests/FakeControlServices.h"
#include "tools/bridge/BridgeSession.h"
#include "tools/bridge/Framing.h"
#include "tools/bridge/Json.h"
#include "tools/bridge/MemberCall.h"

using namespace vard::bridge;

namespace {

// The input as the browser's stream, handed over in pieces of changing size
// as a pipe may.
class InputStream final : public vard::platform::IByteChannel {
 public:
  explicit InputStream(std::string_view data) : data_(data) {}
  size_t ReadSome(char* out, size_t size) override {
    const size_t piece = 1 + (reads_++ * 7919) % 4096;
    const size_t n = std::min({size, data_.size() - at_, piece});
    std::memcpy(out, data_.data() + at_, n);
    at_ += n;
    return n;
  }
  bool WriteAll(const char*, size_t) override { return true; }

 private:
  std::string_view data_;
  size_t at_ = 0;
  size_t reads_ = 0;
};

void CheckAnswer(const std::string& text) {
  if (text.size() > kMaxFrame) std::abort();
  const auto answer = ParseJson(text, nullptr);
  if (!answer || answer->type() != Json::Type::kObject) std::abort();
  if (!answer->Find("id") && !answer->Find("event")) std::abort();
  // The host survives an exception inside a message, but it is a fault.
  if (const Json* error = answer->Find("error"))
    if (error->Find("message")->AsString().rfind("the message could not be handled", 0) == 0) std::abort();
}

void ReadAsJson(std::string_view text) {
  std::string why;
  const auto value = ParseJson(text, &why);
  if (!value) return;
  const std::string written = WriteJson(*value);
  const auto again = ParseJson(written, &why);
  if (!again || WriteJson(*again) != written) std::abort();
  if (value->type() == Json::Type::kObject) {
    const Json* op = value->Find("op");
    const Json* name = value->Find("name");
    const Json* args = value->Find("args");
    if (op && name && op->type() == Json::Type::kString && name->type() == Json::Type::kString)
      PrepareMemberCall(op->AsString(), name->AsString(), args ? *args : Json());
  }
}

void RunSession(std::string_view stream) {
  vard::fakes::FakeControlServices fakes;
  BridgeSession session([&fakes] { return fakes.Wire(); }, CheckAnswer);
  InputStream input(stream);
  FrameReader reader(input);
  std::string body;
  for (;;) {
    const FrameRead read = reader.Read(body);
    if (read == FrameRead::kFrame) {
      session.Handle(body);
    } else if (read == FrameRead::kTooLong) {
      session.Refuse("a message of " + std::to_string(reader.RefusedLength()) + " bytes is too long");
    } else {
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ReadAsJson(text);
  RunSession(text);
  return 0;
}
