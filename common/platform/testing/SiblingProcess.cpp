#include "common/platform/testing/SiblingProcess.h"

#include <utility>

#include "common/platform/FileSystem.h"
#include "common/platform/KnownFolders.h"
#include "common/text/Utf.h"

namespace vard::platform::testing {

std::u16string SiblingProgram(std::u16string_view name) {
  return ParentPath(ModulePath()) + u"\\" + std::u16string(name) + AsciiToUtf16(VARD_EXE_SUFFIX);
}

SiblingProcess::~SiblingProcess() {
  if (!child_.IsValid() || ended_) return;
  child_.Kill();
  child_.Wait(10000, nullptr);
}

bool SiblingProcess::Start(std::u16string_view name, const std::vector<std::u16string>& args) {
  child_ = ChildProcess::Start(SiblingProgram(name), args, true);
  ended_ = false;
  pending_.clear();
  return child_.IsValid();
}

bool SiblingProcess::Fill() {
  char buffer[4096];
  uint32_t got = 0;
  if (!child_.ReadOutput(buffer, sizeof buffer, &got)) return false;
  pending_.append(buffer, got);
  return true;
}

std::string SiblingProcess::ReadLine() {
  size_t end;
  while ((end = pending_.find('\n')) == std::string::npos)
    if (!Fill()) {
      end = pending_.size();
      break;
    }
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string SiblingProcess::ReadToEnd() {
  while (Fill()) {
  }
  return std::exchange(pending_, {});
}

bool SiblingProcess::Wait(uint32_t timeoutMs, int* exitCode) {
  ended_ = child_.Wait(timeoutMs, exitCode);
  return ended_;
}

}  // namespace vard::platform::testing
