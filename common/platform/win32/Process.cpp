#include "common/platform/Process.h"

#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "common/platform/DebugOutput.h"
#include "common/platform/ErrorText.h"
#include "common/platform/win32/Wide.h"

namespace vard::platform {
namespace {

HANDLE H(intptr_t n) { return reinterpret_cast<HANDLE>(n); }

// Quoting of CommandLineToArgvW: backslashes double only before a quote.
void AppendQuoted(std::u16string& line, const std::u16string& arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos) {
    line += arg;
    return;
  }
  line += u'"';
  size_t slashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++slashes;
    } else if (c == u'"') {
      line.append(slashes * 2 + 1, u'\\');
      slashes = 0;
    } else {
      line.append(slashes, u'\\');
      slashes = 0;
    }
    if (c != u'\\') line += c;
  }
  line.append(slashes * 2, u'\\');
  line += u'"';
}

// A browser starts its native hosts in a job that ends every process in it
// with the host; what the host starts for the person (the agent) must
// outlive it. Outside any job the flag changes nothing; a job that lets no
// process leave refuses it with ERROR_ACCESS_DENIED. Null when the system
// refused the start.
HANDLE StartOutsideJob(const std::u16string& program, std::u16string line, StartShow show) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = show == StartShow::kNormal ? SW_SHOWNORMAL : SW_HIDE;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(win32::W(program), reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE,
                        CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &si, &pi))
    return nullptr;
  ::CloseHandle(pi.hThread);
  return pi.hProcess;
}

}  // namespace

void ChildProcess::CloseHandles() {
  if (IsValid()) ::CloseHandle(H(native_));
  if (output_ != -1) ::CloseHandle(H(output_));
  native_ = -1;
  output_ = -1;
}

ChildProcess::~ChildProcess() { CloseHandles(); }
ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : native_(std::exchange(other.native_, -1)),
      output_(std::exchange(other.output_, -1)),
      reaped_(other.reaped_),
      exitCode_(other.exitCode_) {}
ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    CloseHandles();
    native_ = std::exchange(other.native_, -1);
    output_ = std::exchange(other.output_, -1);
    reaped_ = other.reaped_;
    exitCode_ = other.exitCode_;
  }
  return *this;
}

ChildProcess ChildProcess::Start(const std::u16string& program, const std::vector<std::u16string>& args,
                                 bool captureOutput) {
  std::u16string line;
  AppendQuoted(line, program);
  for (const auto& a : args) {
    line += u' ';
    AppendQuoted(line, a);
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ChildProcess child;
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (captureOutput) {
    // Only the write end is inherited; the child's output and error share it.
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0)) return child;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
  }
  const BOOL started = ::CreateProcessW(win32::W(program), reinterpret_cast<wchar_t*>(line.data()), nullptr,
                                        nullptr, captureOutput ? TRUE : FALSE, 0, nullptr, nullptr, &si, &pi);
  const DWORD startError = ::GetLastError();
  if (writeEnd) ::CloseHandle(writeEnd);  // the child holds its own copy
  if (!started) {
    if (readEnd) ::CloseHandle(readEnd);
    ::SetLastError(startError);
    return child;
  }
  ::CloseHandle(pi.hThread);
  child.native_ = reinterpret_cast<intptr_t>(pi.hProcess);
  if (readEnd) child.output_ = reinterpret_cast<intptr_t>(readEnd);
  return child;
}

bool ChildProcess::Wait(uint32_t timeoutMs, int* exitCode, IClock& clock) {
  (void)clock;  // the process handle itself is waited on
  if (!IsValid()) return false;
  if (::WaitForSingleObject(H(native_), timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  ::GetExitCodeProcess(H(native_), &code);
  if (exitCode) *exitCode = static_cast<int>(code);
  return true;
}

void ChildProcess::Kill() {
  if (IsValid()) ::TerminateProcess(H(native_), 255);
}

bool ChildProcess::ReadOutput(void* buffer, uint32_t size, uint32_t* got) {
  *got = 0;
  if (output_ == -1) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD n = 0;
  // Fails with ERROR_BROKEN_PIPE once every writer closed its end.
  if (!::ReadFile(H(output_), buffer, size, &n, nullptr)) return false;
  *got = n;
  return true;
}

bool ShellStartAndWait(const std::u16string& program, const std::u16string& parameters, const std::u16string& verb,
                       const std::function<bool()>& ready, IClock& clock, uint32_t timeoutMs, StartShow show) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE;
  info.hwnd = ::GetForegroundWindow();
  info.lpVerb = verb.empty() ? nullptr : win32::W(verb);
  info.lpFile = win32::W(program);
  info.lpParameters = win32::W(parameters);
  info.nShow = show == StartShow::kNormal ? SW_SHOWNORMAL : SW_HIDE;
  if (verb.empty()) {
    std::u16string line;
    AppendQuoted(line, program);
    (line += u' ') += parameters;
    info.hProcess = StartOutsideJob(program, line, show);
    if (!info.hProcess && ::GetLastError() == ERROR_ACCESS_DENIED)
      DebugOutput(u"the caller's job lets no program leave it: " + program + u" ends when that job ends");
  }
  if (!info.hProcess && !::ShellExecuteExW(&info)) return false;
  if (info.hProcess) {
    // Polled on the clock so that a hung program cannot hold the caller
    // beyond its limit. Input idle can come before the program has made
    // what its caller looks for (under Wine it may not wait at all), so a
    // caller's own readiness test must pass too; a program that ended is
    // waited for no longer.
    clock.WaitUntil(
        [&] {
          if (::WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) return true;
          return ::WaitForInputIdle(info.hProcess, 0) != WAIT_TIMEOUT && (!ready || ready());
        },
        timeoutMs, kStartPollMs);
    ::CloseHandle(info.hProcess);
  }
  return true;
}

std::u16string ExecutableFileName(const std::u16string& base) { return base + u".exe"; }

}  // namespace vard::platform
