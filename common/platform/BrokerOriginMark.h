#pragma once
// The origin mark of a file that a broker wrote for this process. Where the
// mark is a stream beside the file, the broker writes it as it writes a
// file: this process may not write beside the file. Elsewhere this process
// writes it through its file seam (POSIX attributes need no broker).
#include <functional>
#include <string>

#include "common/platform/IFileSystem.h"

namespace vard::platform {

// Writes `text` to `stream` through the broker; false when it did not.
using BrokerStreamWrite = std::function<bool(const std::u16string& stream, const std::string& text)>;

bool MarkBrokerFile(IFileSystem& files, const std::u16string& path, const OriginMark& mark,
                    const BrokerStreamWrite& brokerWrite);

}  // namespace vard::platform
