#include "common/platform/Clock.h"
#include "common/platform/LocalTimeText.h"

#include <windows.h>

#include "common/platform/win32/Wide.h"

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

std::u16string LongDateAndTime(const UtcTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  wchar_t date[128] = {}, time[64] = {};
  // A date the system cannot show (the zero time of an unreadable file)
  // stays empty rather than failing the whole text.
  ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, date, 128);
  // No AM/PM marker: "오후 13:05" would read as neither clock.
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, &st, nullptr, time, 64);
  return win32::U(date) + u", " + win32::U(time);
}

}  // namespace vard::platform
