#include "platform/base/timetext.h"

#include <locale.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

// The "C" locale, made once; strftime_l with it ignores the process locale.
locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

bool LocalTm(time_t t, struct tm* out) {
  std::memset(out, 0, sizeof *out);
  return localtime_r(&t, out) != nullptr;
}

// strftime into `out`; false when the result does not come within a
// generous limit (strftime cannot tell "empty" from "too long").
bool Strftime(const char* format, const struct tm& tm, std::string& out) {
  out.clear();
  if (!*format) return true;
  std::vector<char> buf(256);
  while (true) {
    locale_t c = CLocale();
    size_t n = c ? strftime_l(buf.data(), buf.size(), format, &tm, c)
                 : strftime(buf.data(), buf.size(), format, &tm);
    if (n > 0) {
      out.assign(buf.data(), n);
      return true;
    }
    // 0 is a full result for formats such as "%p" in some locales; after
    // room for 64 bytes per format byte it is taken as such.
    if (buf.size() >= 64 * std::strlen(format) + 256) return true;
    buf.resize(buf.size() * 4);
  }
}

}  // namespace

namespace qv {

std::string FormatLocalTime(time_t t, const char* format) {
  std::string out;
  struct tm tm;
  if (!format || !LocalTm(t, &tm)) return out;
  Strftime(format, tm, out);
  return out;
}

namespace {
Clock& TestClock() {
  static Clock clock;
  return clock;
}
}  // namespace

Clock SetClockForTests(Clock clock) {
  Clock previous = std::move(TestClock());
  TestClock() = std::move(clock);
  return previous;
}

time_t Now() { return TestClock() ? TestClock()() : time(nullptr); }

}  // namespace qv

__time32_t _time32(__time32_t* out) {
  time_t now = qv::Now();
  __time32_t r = (now < 0 || now > INT32_MAX) ? -1 : static_cast<__time32_t>(now);
  if (out) *out = r;
  return r;
}

namespace {
// The runtime's failure form: every number -1. glibc's zone-name pointer is
// no number; it is left null rather than pointing anywhere.
void InvalidTm(struct tm* out) {
  std::memset(out, 0xFF, sizeof *out);
  out->tm_zone = nullptr;
}
}  // namespace

errno_t _localtime32_s(struct tm* out, const __time32_t* t) {
  if (!out) return errno = EINVAL;
  InvalidTm(out);
  if (!t || *t < 0) return errno = EINVAL;
  if (!LocalTm(*t, out)) {
    InvalidTm(out);
    return errno = EINVAL;
  }
  return 0;
}

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst) noexcept {
  struct tm tm;
  std::memset(&tm, 0, sizeof tm);
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = dst;
  m_time = mktime(&tm);
}

CTime CTime::GetCurrentTime() noexcept { return CTime(qv::Now()); }

struct tm* CTime::GetLocalTm(struct tm* out) const noexcept {
  if (!out) return nullptr;
  return LocalTm(m_time, out) ? out : nullptr;
}

#define QV_CTIME_PART(Name, expr)            \
  int CTime::Name() const noexcept {         \
    struct tm tm;                            \
    return LocalTm(m_time, &tm) ? (expr) : 0; \
  }
QV_CTIME_PART(GetYear, tm.tm_year + 1900)
QV_CTIME_PART(GetMonth, tm.tm_mon + 1)
QV_CTIME_PART(GetDay, tm.tm_mday)
QV_CTIME_PART(GetHour, tm.tm_hour)
QV_CTIME_PART(GetMinute, tm.tm_min)
QV_CTIME_PART(GetSecond, tm.tm_sec)
QV_CTIME_PART(GetDayOfWeek, tm.tm_wday + 1)
#undef QV_CTIME_PART

CString CTime::Format(const char* format) const {
  std::string text = qv::FormatLocalTime(m_time, format);
  return CString(std::string_view(text));
}
