#include "common/platform/KnownFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "common/platform/Environment.h"
#include "common/platform/posix/PosixPath.h"

namespace vard::platform {
namespace {

std::string Home() { return GetEnv("HOME").value_or("/tmp"); }

// A folder of user-dirs (XDG_DOCUMENTS_DIR ...) from the environment or
// from user-dirs.dirs.
std::string XdgUserDir(const std::string& name) {
  if (auto v = GetEnv(name.c_str()); v && !v->empty()) return *v;
  const std::string config = GetEnv("XDG_CONFIG_HOME").value_or(Home() + "/.config");
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  const std::string key = name + "=";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string v = line.substr(key.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = Home() + v.substr(5);
    return v;
  }
  return {};
}

}  // namespace

std::u16string DocumentsFolder() {
  std::string d = XdgUserDir("XDG_DOCUMENTS_DIR");
  if (d.empty()) d = Home() + "/Documents";
  return posix::FromOsPath(d);
}

std::u16string DownloadsFolder() {
  std::string d = XdgUserDir("XDG_DOWNLOAD_DIR");
  if (d.empty()) d = Home() + "/Downloads";
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  return posix::FromOsPath(d);
}

std::u16string TempFolder() {
  std::string t = GetEnv("TMPDIR").value_or("");
  if (t.empty()) t = "/tmp";
  if (t.back() != '/') t += '/';
  return posix::FromOsPath(t);
}

std::u16string ModulePath() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return posix::FromOsPath(std::string(buf, static_cast<size_t>(n)));
}

std::u16string DataFolder() {
  std::string base = GetEnv("XDG_DATA_HOME").value_or("");
  if (base.empty()) base = Home() + "/.local/share";
  const std::string folder = base + "/vardel";
  // Create every missing level; only the last one is ours.
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i == folder.size() || folder[i] == '/') mkdir(folder.substr(0, i).c_str(), i == folder.size() ? 0700 : 0755);
  }
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  return posix::FromOsPath(folder);
}

std::u16string SystemDirectory() {
  if (auto v = GetEnv("VARDEL_SYSTEM_DIR"); v && !v->empty()) return posix::FromOsPath(*v);
  std::u16string exe = ModulePath();
  const auto slash = exe.rfind(u'\\');
  return slash == std::u16string::npos ? exe : exe.substr(0, slash);
}

}  // namespace vard::platform
