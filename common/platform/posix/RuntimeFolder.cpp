// The per-user runtime folder that holds the stand-ins of named objects.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/platform/Environment.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

namespace vard::platform::posix {
namespace {

// A folder only its owner can enter: others must not plant sockets or
// lock files there.
bool PrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
    errno = EACCES;
    return false;
  }
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

}  // namespace

std::string RuntimeSubfolder(const char* sub) {
  std::string root;
  if (auto x = GetEnv("XDG_RUNTIME_DIR"); x && !x->empty()) root = *x + "/vardel";
  else root = "/tmp/vardel-" + std::to_string(::getuid());
  if (!PrivateFolder(root)) return {};
  const std::string folder = root + "/" + sub;
  if (!PrivateFolder(folder)) return {};
  return folder;
}

std::string ObjectFileName(const std::u16string& name) {
  std::u16string n = name;
  for (std::u16string_view prefix : {u"Global\\", u"Local\\"})
    if (n.starts_with(prefix)) {
      n = n.substr(prefix.size());
      break;
    }
  std::string s = Utf16ToUtf8(n);
  for (char& c : s)
    if (c == '\\' || c == '/') c = '_';
  return s;
}

}  // namespace vard::platform::posix
