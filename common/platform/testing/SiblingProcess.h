#pragma once
// Test programs start other programs built into their own folder (a writer
// child, the broker) and read what those print.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform/Process.h"

namespace vard::platform::testing {

// Full path of the program `name` (no extension) beside the running one.
std::u16string SiblingProgram(std::u16string_view name);

// A sibling program with its standard output and error read line by line.
// Killed and reaped when destroyed while still running. One thread.
class SiblingProcess {
 public:
  SiblingProcess() = default;
  ~SiblingProcess();
  SiblingProcess(const SiblingProcess&) = delete;
  SiblingProcess& operator=(const SiblingProcess&) = delete;

  bool Start(std::u16string_view name, const std::vector<std::u16string>& args);
  // The next line without its end; empty once the output ended.
  std::string ReadLine();
  // All output left, up to its end.
  std::string ReadToEnd();
  // True with the exit code when the program ended within the time.
  bool Wait(uint32_t timeoutMs, int* exitCode);

 private:
  bool Fill();

  ChildProcess child_;
  bool ended_ = false;
  std::string pending_;
};

}  // namespace vard::platform::testing
