#pragma once
// Starting other programs. ChildProcess is a plain start with an owned
// process (tests, tools); ShellStartAndWait is the shell start the programs
// use (Win32: ShellExecuteExW and input idle; POSIX: posix_spawn and a
// readiness check).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/platform/Clock.h"

namespace vard::platform {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // closes, does not end the process
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Each argument reaches the child as one argument. With `captureOutput`
  // the child's standard output and error go to one pipe that ReadOutput
  // reads (the caller must keep reading a child that writes much).
  static ChildProcess Start(const std::u16string& program, const std::vector<std::u16string>& args,
                            bool captureOutput = false);
  bool IsValid() const { return native_ != -1; }
  // True with the exit code once the process ended within the time. POSIX
  // has no wait with a time-out on a child, so there it polls on `clock`.
  bool Wait(uint32_t timeoutMs, int* exitCode, IClock& clock = SystemClock());
  void Kill();
  // Blocks until the child wrote something. False once every writer closed
  // the pipe, or when the output was not captured.
  bool ReadOutput(void* buffer, uint32_t size, uint32_t* got);

 private:
  void CloseHandles();

  intptr_t native_ = -1;  // HANDLE or pid
  intptr_t output_ = -1;  // read end of the captured output: HANDLE or descriptor
  bool reaped_ = false;
  int exitCode_ = 0;
};

// How a program is shown when the shell starts it.
enum class StartShow { kHidden, kNormal };

// How often a start looks whether the program is ready: a page waits on it,
// and each look is cheap.
inline constexpr uint32_t kStartPollMs = 2;

// Starts `program` with `parameters` (blank-separated) through the shell,
// with `verb` ("runas", or empty for the default), and waits until it is
// ready: Win32 until input idle and `ready` (when given) answers true; POSIX
// until `ready` answers true. Either wait ends when the program has ended or
// `timeoutMs` have passed on `clock`. True when the program started (ready
// or not).
bool ShellStartAndWait(const std::u16string& program, const std::u16string& parameters, const std::u16string& verb,
                       const std::function<bool()>& ready, IClock& clock = SystemClock(),
                       uint32_t timeoutMs = kNoTimeout, StartShow show = StartShow::kHidden);

// The file name of the program `base` on this system ("x.exe" or "x").
std::u16string ExecutableFileName(const std::u16string& base);

}  // namespace vard::platform
