#include "common/platform/BrokerOriginMark.h"

namespace vard::platform {

bool MarkBrokerFile(IFileSystem& files, const std::u16string& path, const OriginMark& mark,
                    const BrokerStreamWrite& brokerWrite) {
  const auto stream = files.OriginMarkStream(path);
  if (!stream) return files.WriteOriginMark(path, mark);
  return brokerWrite(*stream, ZoneIdentifierText(mark));
}

}  // namespace vard::platform
