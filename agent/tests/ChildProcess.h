#pragma once
// Test helper: runs a program that sits beside the test program and reads
// its standard output line by line.
#include <cstdio>
#include <string>

namespace vard::testing {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Wait(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // `program` without extension; `args` appended after a blank.
  bool StartSibling(const std::string& program, const std::string& args);
  // One line without its end; empty at end of output.
  std::string ReadLine();
  // Exit code, or -1.
  int Wait();

 private:
  FILE* pipe_ = nullptr;
};

}  // namespace vard::testing
