#include "common/platform/posix/RuntimeSocket.h"

#include <sys/socket.h>

#include <cstring>

#include "common/platform/FileSystem.h"
#include "common/platform/Pipe.h"
#include "common/platform/posix/PosixPath.h"

namespace vard::platform::posix {

std::string RuntimeSocketPath(const char* sub, const std::u16string& name) {
  std::u16string last = name;
  if (const auto slash = name.rfind(u'\\'); slash != std::u16string::npos) last = name.substr(slash + 1);
  const std::string folder = RuntimeSubfolder(sub);
  if (folder.empty()) return {};
  return folder + "/" + ObjectFileName(last);
}

bool SocketAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.empty()) return Fail(error::kInvalidParameter);
  if (path.size() >= sizeof address->sun_path) return Fail(error::kFilenameExcedRange);
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace vard::platform::posix
