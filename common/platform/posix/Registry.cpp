// The registry stand-in: one .reg text file per HKCU or HKLM key, and HKCR content
// types from the system's MIME table.
#include "common/platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "common/platform/Environment.h"
#include "common/platform/FileSystem.h"
#include "common/platform/RegText.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/Utf.h"

namespace vard::platform {
namespace {

using posix::Fail;

std::string HkcuFolder() {
  std::string base = GetEnv("XDG_CONFIG_HOME").value_or("");
  if (base.empty()) base = GetEnv("HOME").value_or("/tmp") + "/.config";
  return base + "/vardel/registry/HKCU";
}

// The machine's keys, which only an administrator can change where the
// folder is the system's.
std::string HklmFolder() {
  std::string base = GetEnv("VARDEL_MACHINE_REGISTRY").value_or("");
  if (base.empty()) base = "/etc/vardel/registry";
  return base + "/HKLM";
}

// The folder that holds a root's keys; HKCR has none (content types).
bool HasTree(RegistryRoot root) { return root != RegistryRoot::kClassesRoot; }
std::string TreeFolder(RegistryRoot root) { return root == RegistryRoot::kLocalMachine ? HklmFolder() : HkcuFolder(); }

// Key path components as folder names; none when a component could leave
// the registry folder or cannot be a file name.
std::optional<std::vector<std::string>> KeyComponents(const std::u16string& key) {
  std::vector<std::string> parts;
  std::u16string part;
  auto flush = [&]() -> bool {
    if (part.empty()) return true;  // doubled or edge "\" as RegCreateKeyExW tolerates
    if (part == u"." || part == u"..") return false;
    for (char16_t c : part)
      if (c == u'/' || c < 0x20) return false;
    parts.push_back(Utf16ToUtf8(part));
    part.clear();
    return true;
  };
  for (char16_t c : key) {
    if (c == u'\\') {
      if (!flush()) return std::nullopt;
    } else {
      part += c;
    }
  }
  if (!flush() || parts.empty()) return std::nullopt;
  return parts;
}

struct KeyPaths {
  std::string folder;  // the key's sub-keys live here
  std::string file;    // the key's own values
  std::string parent;  // folder that holds `file`
};

std::optional<KeyPaths> PathsOf(RegistryRoot root, const std::u16string& key) {
  auto parts = KeyComponents(key);
  if (!parts) return std::nullopt;
  KeyPaths p;
  p.parent = TreeFolder(root);
  for (size_t i = 0; i + 1 < parts->size(); ++i) p.parent += "/" + (*parts)[i];
  p.folder = p.parent + "/" + parts->back();
  p.file = p.folder + ".reg";
  return p;
}

bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string prefix = path.substr(0, i);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::string> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One lock for each root's tree: writers read, change and replace a key's
// file under it, so two processes never lose each other's values.
class TreeLock {
 public:
  explicit TreeLock(RegistryRoot tree) {
    const std::string root = TreeFolder(tree);
    if (!MakeFolders(root)) return;
    fd_ = ::open((root + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~TreeLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

bool WriteAtomically(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp." + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return Fail(posix::ErrorFromErrno(errno));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(temp.c_str());
      return Fail(posix::ErrorFromErrno(err));
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return Fail(posix::ErrorFromErrno(err));
  }
  return true;
}

bool RemoveTree(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
  for (const std::u16string& name : ListDirectory(posix::FromOsPath(path)))
    if (!RemoveTree(path + "/" + Utf16ToUtf8(name))) return false;
  return ::rmdir(path.c_str()) == 0;
}

bool ValidValueName(const std::u16string& name) {
  for (char16_t c : name)
    if (c < 0x20) return false;
  return true;
}

// The MIME table, read again only when the file changed: an upload asks
// once per part, and splitting the whole table each time cost milliseconds.
std::optional<std::string> MimeTypeOf(const std::string& path, const std::string& extension) {
  struct Table {
    int64_t stamp = -1;
    off_t size = -1;
    std::unordered_map<std::string, std::string> types;  // the first line naming it wins
  };
  static std::mutex mutex;
  static std::unordered_map<std::string, Table> tables;
  struct stat st{};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  const int64_t stamp = exists ? static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
  std::lock_guard lock(mutex);
  Table& table = tables[path];
  if (table.stamp != stamp || table.size != (exists ? st.st_size : -1)) {
    table = Table{stamp, exists ? st.st_size : -1, {}};
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string type, word;
      words >> type;
      while (words >> word) table.types.try_emplace(word, type);
    }
  }
  const auto it = table.types.find(extension);
  if (it == table.types.end()) return std::nullopt;
  return it->second;
}

class PosixRegistry final : public IRegistry {
 public:
  bool KeyExists(RegistryRoot root, const std::u16string& key) override {
    if (!HasTree(root)) return Fail(error::kFileNotFound);
    auto p = PathsOf(root, key);
    if (!p) return Fail(error::kInvalidParameter);
    return Exists(p->file) || Exists(p->folder) || Fail(error::kFileNotFound);
  }

  bool CreateKey(RegistryRoot root, const std::u16string& key) override {
    if (!HasTree(root)) return Fail(error::kAccessDenied);
    auto p = PathsOf(root, key);
    if (!p) return Fail(error::kInvalidParameter);
    TreeLock lock(root);
    if (!lock.Held()) return Fail(posix::ErrorFromErrno(errno));
    if (Exists(p->file)) return true;
    if (!MakeFolders(p->parent)) return Fail(posix::ErrorFromErrno(errno));
    return WriteAtomically(p->file, FormatRegText(key, {}));
  }

  bool DeleteKey(RegistryRoot root, const std::u16string& key) override {
    if (!HasTree(root)) return Fail(error::kAccessDenied);
    auto p = PathsOf(root, key);
    if (!p) return Fail(error::kInvalidParameter);
    TreeLock lock(root);
    if (!lock.Held()) return Fail(posix::ErrorFromErrno(errno));
    if (!Exists(p->file) && !Exists(p->folder)) return Fail(error::kFileNotFound);
    if (!RemoveTree(p->folder) || !RemoveTree(p->file)) return Fail(posix::ErrorFromErrno(errno));
    return true;
  }

  std::optional<std::u16string> ReadString(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                                           size_t capacity) override {
    if (root == RegistryRoot::kClassesRoot) return ContentType(key, name);
    auto v = Find(root, key, name);
    if (!v) return std::nullopt;
    if (v->type != regtype::kString && v->type != regtype::kExpandString) {
      Fail(error::kInvalidParameter);
      return std::nullopt;
    }
    std::u16string text = StringOfValue(*v);
    if (text.size() >= capacity) {
      Fail(error::kMoreData);
      return std::nullopt;
    }
    return text;
  }

  std::optional<uint32_t> ReadDword(RegistryRoot root, const std::u16string& key,
                                    const std::u16string& name) override {
    if (!HasTree(root)) {
      Fail(error::kFileNotFound);
      return std::nullopt;
    }
    auto v = Find(root, key, name);
    if (!v) return std::nullopt;
    if (v->type != regtype::kDword || v->data.size() != 4) {
      Fail(error::kInvalidParameter);
      return std::nullopt;
    }
    return v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (static_cast<uint32_t>(v->data[3]) << 24);
  }

  bool WriteString(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                   const std::u16string& value) override {
    return Change(root, key, name, [&](std::vector<RegValue>& values) {
      values.push_back(StringValue(name, value));
      return true;
    });
  }

  bool WriteDword(RegistryRoot root, const std::u16string& key, const std::u16string& name,
                  uint32_t value) override {
    return Change(root, key, name, [&](std::vector<RegValue>& values) {
      values.push_back(DwordValue(name, value));
      return true;
    });
  }

  bool DeleteValue(RegistryRoot root, const std::u16string& key, const std::u16string& name) override {
    auto p = HasTree(root) ? PathsOf(root, key) : std::nullopt;
    if (p && !Exists(p->file)) return Fail(error::kFileNotFound);
    bool found = false;
    const bool ok = Change(root, key, name, [&](std::vector<RegValue>&) { return found; }, &found);
    return ok && (found || Fail(error::kFileNotFound));
  }

 private:
  std::optional<RegValue> Find(RegistryRoot root, const std::u16string& key, const std::u16string& name) {
    auto p = PathsOf(root, key);
    if (!p) {
      Fail(error::kInvalidParameter);
      return std::nullopt;
    }
    auto text = ReadWhole(p->file);
    if (!text) {
      Fail(error::kFileNotFound);
      return std::nullopt;
    }
    for (RegValue& v : ParseRegText(*text))
      if (SameValueName(v.name, name)) return std::move(v);
    Fail(error::kFileNotFound);
    return std::nullopt;
  }

  // Reads the key's values, drops `name`, lets `edit` add what it wants and
  // replaces the file, all under the tree lock. `edit` returning false
  // leaves the file as it was.
  template <typename Edit>
  bool Change(RegistryRoot root, const std::u16string& key, const std::u16string& name, Edit edit,
              bool* found = nullptr) {
    if (!HasTree(root)) return Fail(error::kAccessDenied);
    auto p = PathsOf(root, key);
    if (!p || !ValidValueName(name)) return Fail(error::kInvalidParameter);
    TreeLock lock(root);
    if (!lock.Held()) return Fail(posix::ErrorFromErrno(errno));
    std::vector<RegValue> values;
    if (auto text = ReadWhole(p->file)) values = ParseRegText(*text);
    const size_t before = values.size();
    std::erase_if(values, [&](const RegValue& v) { return SameValueName(v.name, name); });
    if (found) *found = values.size() != before;
    if (!edit(values)) return true;
    if (!MakeFolders(p->parent)) return Fail(posix::ErrorFromErrno(errno));
    return WriteAtomically(p->file, FormatRegText(key, values));
  }

  // HKCR "\.ext" "Content Type": the first type that lists the extension.
  static std::optional<std::u16string> ContentType(const std::u16string& key, const std::u16string& name) {
    std::u16string ext = key;
    if (ext.starts_with(u'\\')) ext.erase(0, 1);
    if (!SameValueName(name, u"Content Type") || ext.size() < 2 || ext[0] != u'.' ||
        ext.find(u'\\') != std::u16string::npos) {
      Fail(error::kFileNotFound);
      return std::nullopt;
    }
    std::string wanted;
    for (char16_t c : std::u16string_view(ext).substr(1)) {
      if (c >= 0x80) {
        Fail(error::kFileNotFound);
        return std::nullopt;
      }
      wanted += static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
    }
    if (auto type = MimeTypeOf(GetEnv("VARDEL_MIME_TYPES").value_or("/etc/mime.types"), wanted))
      return AsciiToUtf16(*type);
    Fail(error::kFileNotFound);
    return std::nullopt;
  }
};

}  // namespace

IRegistry& SystemRegistry() {
  static PosixRegistry registry;
  return registry;
}

}  // namespace vard::platform
