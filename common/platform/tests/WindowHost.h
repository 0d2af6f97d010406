#pragma once
// Tests only: the window_host program run beside the test, with window
// classes of their own so that parallel runs do not meet.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>

#include "common/platform/testing/SiblingProcess.h"
#include "common/text/Utf.h"

namespace vard::platform::testing {

class WindowHost {
 public:
  WindowHost() {
    static std::atomic<int> counter{0};
    static const unsigned run = std::random_device{}();
    const std::string tag = std::to_string(run) + "-" + std::to_string(counter++);
    top_ = AsciiToUtf16("VardTestTop-" + tag);
    child_ = AsciiToUtf16("VardTestChild-" + tag);
  }
  // True once both windows exist.
  bool Start() {
    if (!process_.Start(u"window_host", {top_, child_})) return false;
    const std::string line = process_.ReadLine();
    EXPECT_EQ(line, "ready");
    return line == "ready";
  }
  std::string ReadLine() { return process_.ReadLine(); }
  bool Wait(int* code) { return process_.Wait(10000, code); }
  const std::u16string& TopClass() const { return top_; }
  const std::u16string& ChildClass() const { return child_; }

 private:
  SiblingProcess process_;
  std::u16string top_, child_;
};

}  // namespace vard::platform::testing
