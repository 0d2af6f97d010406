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

UtcTime LocalCalendarTime(int64_t secondsSince1970) {
  // As a file time, then through the system's time zone.
  const uint64_t ticks = static_cast<uint64_t>(secondsSince1970 + 11644473600LL) * 10000000ULL;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local{};
  SYSTEMTIME st{};
  if (secondsSince1970 < 0 || !::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st))
    return UtcTime{};
  return UtcTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, 0};
}

}  // namespace vard::platform
