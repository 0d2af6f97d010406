// libFuzzer on what a page's message goes through before the control sees
// it: the JSON reader, the writer (what is read must write back as JSON
// that reads the same) and the member call's checks and conversions.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/bridge/Json.h"
#include "tools/bridge/MemberCall.h"

using namespace vard::bridge;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string why;
  const auto value = ParseJson(text, &why);
  if (!value) return 0;
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
  return 0;
}
