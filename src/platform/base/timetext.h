// Time values and their local-time text. The text always follows the "C"
// locale ("%a" gives "Sun".."Sat"), whatever locale the process or the
// environment has; the time zone is the process's (TZ).
#pragma once

#include <compare>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

typedef int32_t __time32_t;

namespace qv {

// strftime of `t` in local time with the "C" locale; "" when the time has
// no local form or the format is null. Any length of result.
std::string FormatLocalTime(time_t t, const char* format);

// The clock that CTime::GetCurrentTime and _time32 read: the system's, or
// one a test installs (an empty function puts the system's back). Returns
// the clock installed before.
using Clock = std::function<time_t()>;
Clock SetClockForTests(Clock clock);
// The current time by that clock.
time_t Now();

}  // namespace qv

// The runtime's 32-bit time functions. _time32 gives -1 once the time no
// longer fits 32 bits. _localtime32_s: 0, or EINVAL for a null argument or
// a negative time (then every field of *out is -1).
__time32_t _time32(__time32_t* out);
errno_t _localtime32_s(struct tm* out, const __time32_t* t);

class CTimeSpan {
 public:
  CTimeSpan() noexcept = default;
  explicit CTimeSpan(time_t seconds) noexcept : m_span(seconds) {}
  CTimeSpan(LONG days, int hours, int minutes, int seconds) noexcept
      : m_span(((static_cast<time_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}
  time_t GetTimeSpan() const noexcept { return m_span; }
  LONGLONG GetDays() const noexcept { return m_span / 86400; }
  LONGLONG GetTotalHours() const noexcept { return m_span / 3600; }
  LONGLONG GetTotalMinutes() const noexcept { return m_span / 60; }
  LONGLONG GetTotalSeconds() const noexcept { return m_span; }

 private:
  time_t m_span = 0;
};

// A point in time (seconds since 1970, UTC) read in local time.
class CTime {
 public:
  CTime() noexcept = default;
  CTime(time_t t) noexcept : m_time(t) {}
  // Local date and time; fields out of range are normalised as mktime does.
  // A date that cannot be formed gives the time -1.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1) noexcept;

  static CTime GetCurrentTime() noexcept;

  time_t GetTime() const noexcept { return m_time; }
  // Local broken-down time; nullptr when the time has no local form.
  struct tm* GetLocalTm(struct tm* out) const noexcept;
  // Parts of the local time; 0 when it has no local form.
  int GetYear() const noexcept;
  int GetMonth() const noexcept;      // 1-12
  int GetDay() const noexcept;        // 1-31
  int GetHour() const noexcept;
  int GetMinute() const noexcept;
  int GetSecond() const noexcept;
  int GetDayOfWeek() const noexcept;  // 1 = Sunday .. 7 = Saturday

  // strftime in the "C" locale; empty when the time has no local form.
  CString Format(const char* format) const;

  CTime& operator+=(CTimeSpan span) noexcept {
    m_time += span.GetTimeSpan();
    return *this;
  }
  CTime& operator-=(CTimeSpan span) noexcept {
    m_time -= span.GetTimeSpan();
    return *this;
  }
  friend CTime operator+(CTime t, CTimeSpan span) noexcept { return t += span; }
  friend CTime operator-(CTime t, CTimeSpan span) noexcept { return t -= span; }
  friend CTimeSpan operator-(CTime a, CTime b) noexcept { return CTimeSpan(a.m_time - b.m_time); }
  friend bool operator==(CTime a, CTime b) noexcept { return a.m_time == b.m_time; }
  friend auto operator<=>(CTime a, CTime b) noexcept { return a.m_time <=> b.m_time; }

 private:
  time_t m_time = 0;
};
