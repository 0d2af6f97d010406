// Socket paths under the runtime folder: what fits an address, and a pipe
// under a folder too long for one.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/Pipe.h"
#include "common/platform/posix/PosixPath.h"
#include "common/platform/posix/RuntimeSocket.h"
#include "common/platform/tests/TestFolder.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using testing::TestFolder;

// XDG_RUNTIME_DIR set to a folder whose OS path has `length` characters.
class RuntimeFolderOfLength {
 public:
  explicit RuntimeFolderOfLength(size_t length) : saved_(GetEnv("XDG_RUNTIME_DIR")) {
    const std::string base = posix::ToOsPath(folder_.Path());
    path_ = base + "/" + std::string(length > base.size() + 1 ? length - base.size() - 1 : 1, 'r');
    ::mkdir(path_.c_str(), 0700);
    SetEnv("XDG_RUNTIME_DIR", path_.c_str());
  }
  ~RuntimeFolderOfLength() { SetEnv("XDG_RUNTIME_DIR", saved_ ? saved_->c_str() : nullptr); }
  const std::string& Path() const { return path_; }

 private:
  TestFolder folder_;
  std::optional<std::string> saved_;
  std::string path_;
};

TEST(RuntimeSocket, AddressTakesPathsUpToItsSize) {
  sockaddr_un address{};
  const size_t longest = sizeof address.sun_path - 1;  // and the terminator
  const std::string fits = "/" + std::string(longest - 1, 'a');
  ASSERT_TRUE(posix::SocketAddress(fits, &address));
  EXPECT_EQ(address.sun_family, AF_UNIX);
  EXPECT_STREQ(address.sun_path, fits.c_str());
  EXPECT_FALSE(posix::SocketAddress(fits + "b", &address));
  EXPECT_EQ(LastError(), error::kFilenameExcedRange);
  EXPECT_FALSE(posix::SocketAddress("", &address));
  EXPECT_EQ(LastError(), error::kInvalidParameter);
}

TEST(RuntimeSocket, PipeUnderAFolderTooLongForItsSocketFailsToOpen) {
  // 85 characters: the pipe's own path would fit, the name it is bound
  // under before the rename does not; 100: neither does.
  for (size_t length : {85u, 100u}) {
    RuntimeFolderOfLength runtime(length);
    ASSERT_EQ(runtime.Path().size(), length);
    const std::u16string name = u"\\\\.\\pipe\\VDFS";
    EXPECT_EQ(Utf16ToUtf8(PipeLocation(name)), runtime.Path() + "/vardel/pipe/VDFS");
    PipeListener listener(name, 4096);
    EXPECT_FALSE(listener.Open()) << length;
    EXPECT_EQ(LastError(), error::kFilenameExcedRange) << length;
    bool fatal = false;
    EXPECT_FALSE(listener.Accept(&fatal).IsOpen());
    EXPECT_TRUE(fatal);
    EXPECT_FALSE(ConnectPipe(name).IsOpen());
    EXPECT_EQ(ListDirectory(posix::FromOsPath(runtime.Path() + "/vardel/pipe")).size(), 0u) << length;
  }
  RuntimeFolderOfLength usual(40);
  PipeListener listener(u"\\\\.\\pipe\\VDFS", 4096);
  EXPECT_TRUE(listener.Open());
  EXPECT_TRUE(ConnectPipe(u"\\\\.\\pipe\\VDFS").IsOpen());
}

}  // namespace
}  // namespace vard::platform
