#include "common/platform/Clock.h"

#include <windows.h>

namespace vard::platform {
namespace {

class Win32Clock final : public IClock {
 public:
  uint32_t TickCount() override { return ::GetTickCount(); }
  int64_t PerfCounter() override {
    LARGE_INTEGER v;
    ::QueryPerformanceCounter(&v);
    return v.QuadPart;
  }
  int64_t PerfFrequency() override {
    LARGE_INTEGER v;
    ::QueryPerformanceFrequency(&v);
    return v.QuadPart;
  }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
  UtcTime UtcNow() override {
    SYSTEMTIME st;
    ::GetSystemTime(&st);
    return UtcTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  }
};

}  // namespace

IClock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace vard::platform
