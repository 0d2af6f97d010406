#pragma once
// The broker's operations: one request in, one answer out. Runs on a
// connection's worker thread; shares only the registry with other workers.
#include <cstdint>
#include <span>
#include <string>

#include "common/brokerpipe/BrokerProtocol.h"
#include "fsb/OpenFileRegistry.h"

namespace vard::fsb {

// What one connection remembers between requests.
struct ConnectionState {
  uint64_t id = 0;
  std::u16string currentPath;
  platform::File* currentFile = nullptr;  // owned by the registry
};

struct DispatchContext {
  OpenFileRegistry* registry = nullptr;
  bool serviceMode = false;  // answered by the mode query
  uint32_t connectionCount = 0;
};

// Fills `response` (kMessageMax bytes) and returns the answer's length.
// Sets *disconnect when the broker is to shut down after this answer.
uint32_t Dispatch(const BrokerRequest& request, std::span<const uint8_t> received, ConnectionState& connection,
                  const DispatchContext& context, uint8_t* response, bool* disconnect);

}  // namespace vard::fsb
