#include "agent/jobs/ShellNotifyingOutput.h"

namespace vard {

bool ShellNotifyingOutput::MakeFolders(const std::u16string& folder) {
  const bool made = inner_.MakeFolders(folder);
  // The folder itself, without the trailing separator the output takes.
  if (made && folder.size() > 1) notify_(folder.back() == u'\\' ? folder.substr(0, folder.size() - 1) : folder);
  return made;
}

bool ShellNotifyingOutput::Open(const std::u16string& path, bool append) {
  const bool opened = inner_.Open(path, append);
  if (opened) notify_(path);
  return opened;
}

}  // namespace vard
