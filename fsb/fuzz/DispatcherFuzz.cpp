// Random requests against the dispatcher, in a scratch folder. The first
// byte picks one of a few connections; the rest is one request message.
// Paths are forced below the scratch folder so the fuzzer never writes
// elsewhere.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/text/Utf.h"
#include "fsb/BrokerDispatcher.h"

using namespace vard;

namespace {

struct World {
  World() {
    root = platform::TempFolder() + AsciiToUtf16("vard-fuzz-" + std::to_string(std::rand()));
    platform::MakeDirectory(root);
    for (uint64_t i = 0; i < 3; ++i) connections[i].id = i + 1;
  }
  std::u16string root;
  fsb::OpenFileRegistry registry;
  fsb::ConnectionState connections[3];
  std::vector<uint8_t> response = std::vector<uint8_t>(fsb::kMessageMax);
  int calls = 0;
};

// Keeps a path payload inside the scratch folder: only its name characters
// survive, prefixed with the folder.
std::vector<uint8_t> Confine(const World& w, std::span<const uint8_t> payload) {
  std::u16string name;
  for (char16_t c : fsb::PathFromPayload(payload))
    if ((c >= u'a' && c <= u'e') || c == u'\\') name += c;
  return fsb::PathPayload(w.root + u"\\" + name.substr(0, 40));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World w;
  if (size < 1 || size > fsb::kMessageMax + 1) return 0;
  fsb::ConnectionState& c = w.connections[data[0] % 3];
  std::vector<uint8_t> message(data + 1, data + size);
  fsb::BrokerRequest h{};
  std::span<const uint8_t> payload;
  if (!fsb::DecodeRequest(message, &h, &payload)) return 0;
  std::vector<uint8_t> confined;
  if ((h.opcode == fsb::VDFS_OPEN && h.param == fsb::param::kSetPath) || h.opcode == fsb::VDFS_MKDIR) {
    confined = Confine(w, payload.first(std::min<size_t>(payload.size(), h.length)));
    if (h.length <= payload.size()) h.length = static_cast<uint32_t>(confined.size());
    payload = confined;
  }
  bool shutdown = false;
  const uint32_t n = fsb::Dispatch(h, payload, c, {&w.registry, false, static_cast<uint32_t>(data[0] % 4)},
                                   w.response.data(), &shutdown);
  if (n < 4 || n > fsb::kMessageMax) std::abort();
  // Connections end now and then, as clients hang up.
  if (++w.calls % 64 == 0) {
    for (auto& conn : w.connections) {
      w.registry.CloseAll(conn.id);
      conn.currentFile = nullptr;
      conn.currentPath.clear();
    }
  }
  return 0;
}
