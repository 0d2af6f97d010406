#include "common/platform/Shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "common/platform/FileSystem.h"
#include "common/platform/PathText.h"
#include "common/platform/posix/PosixPath.h"
#include "common/text/CaseFold.h"

extern char** environ;

namespace vard::platform {
namespace {

// Indexes of the stand-in image list: a few families are told apart so that
// lists still show kinds at a glance.
enum Icon : int { kFile = 0, kFolder = 1, kText = 2, kImage = 3, kArchive = 4, kProgram = 5, kMedia = 6 };

int IconOfExtension(const std::u16string& ext) {
  struct Family {
    const char16_t* ext;
    Icon icon;
  };
  static constexpr Family kFamilies[] = {
      {u"txt", kText},    {u"log", kText},    {u"csv", kText},     {u"htm", kText},     {u"html", kText},
      {u"jpg", kImage},   {u"jpeg", kImage},  {u"png", kImage},    {u"gif", kImage},    {u"bmp", kImage},
      {u"zip", kArchive}, {u"7z", kArchive},  {u"rar", kArchive},  {u"gz", kArchive},   {u"tar", kArchive},
      {u"exe", kProgram}, {u"msi", kProgram}, {u"dll", kProgram},  {u"mp3", kMedia},    {u"mp4", kMedia},
      {u"avi", kMedia},   {u"mkv", kMedia},   {u"wav", kMedia},
  };
  const std::u16string lower = ToLower(ext);
  for (const Family& f : kFamilies)
    if (lower == f.ext) return f.icon;
  return kFile;
}

}  // namespace

int ShellIconIndex(const std::u16string& name, uint32_t attributes) {
  if (attributes & attribute::kDirectory) return kFolder;
  const std::u16string last = LastPathComponent(name);
  const size_t dot = last.rfind(u'.');
  return dot == std::u16string::npos ? kFile : IconOfExtension(last.substr(dot + 1));
}

bool ShellOpen(const std::u16string& path) {
  const std::string osPath = posix::ToOsPath(path);
  char program[] = "xdg-open";
  char* argv[] = {program, const_cast<char*>(osPath.c_str()), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
  if (rc != 0) return posix::Fail(posix::ErrorFromErrno(rc));
  // The opener may outlive the caller's interest; reap it off the caller's thread.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

void ShellNotifyCreated(const std::u16string&) {}

}  // namespace vard::platform
