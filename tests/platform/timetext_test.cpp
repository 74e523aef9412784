#include "platform/win.h"

#include <gtest/gtest.h>

#include "support/testutil.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Sets TZ for the life of the object.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

// Switches the process to a Japanese (or at least non-English) locale: an
// installed one, else one compiled into a temporary folder with localedef
// when the system has the locale sources. Restores "C".
class LocaleGuard {
 public:
  LocaleGuard() {
    for (const char* name : {"ja_JP.UTF-8", "ja_JP.utf8", "ja_JP.eucJP", "ja_JP", "de_DE.UTF-8"}) {
      if (std::setlocale(LC_ALL, name)) {
        active_ = name;
        return;
      }
    }
    if (!std::filesystem::exists("/usr/share/i18n/locales/ja_JP") || dir_.str().empty()) return;
    std::string cmd = "localedef -i ja_JP -f UTF-8 '" + dir_.str() + "/ja_JP.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && !std::filesystem::exists(dir_ / "ja_JP.UTF-8")) return;
    setenv("LOCPATH", dir_.str().c_str(), 1);
    if (std::setlocale(LC_ALL, "ja_JP.UTF-8")) active_ = "ja_JP.UTF-8 (built for the test)";
  }
  ~LocaleGuard() {
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
  }
  const char* active() const { return active_; }

 private:
  qvtest::TempDir dir_;
  const char* active_ = nullptr;
};

constexpr time_t kThu20240215 = 1707955200;  // 2024-02-15 00:00:00 UTC, a Thursday
const char kDateFormat[] = "%Y/%m/%d (%a)  %H:%M:%S";

TEST(TimeText, LocalTimeInTheProcessZone) {
  ZoneGuard utc("UTC0");
  EXPECT_EQ(qv::FormatLocalTime(kThu20240215, kDateFormat), "2024/02/15 (Thu)  00:00:00");
  ZoneGuard tokyo("JST-9");
  EXPECT_EQ(qv::FormatLocalTime(kThu20240215 - 1, kDateFormat), "2024/02/15 (Thu)  08:59:59");
  EXPECT_EQ(CTime(0).Format(kDateFormat), "1970/01/01 (Thu)  09:00:00");
}

TEST(TimeText, WeekdayStaysEnglishUnderAnotherLocale) {
  ZoneGuard utc("UTC0");
  LocaleGuard locale;
  if (locale.active()) {
    // The locale really speaks another language to plain strftime...
    char plain[64];
    struct tm tm;
    time_t t = kThu20240215;
    gmtime_r(&t, &tm);
    std::strftime(plain, sizeof plain, "%a", &tm);
    EXPECT_STRNE(plain, "Thu") << locale.active();
  }
  // ...and the time text does not listen to it.
  EXPECT_EQ(qv::FormatLocalTime(kThu20240215, kDateFormat), "2024/02/15 (Thu)  00:00:00")
      << "process locale: " << (locale.active() ? locale.active() : "none available");
  EXPECT_EQ(CTime(kThu20240215).Format("%a %b %p"), "Thu Feb AM");
}

TEST(TimeText, CTimeParts) {
  ZoneGuard tokyo("JST-9");
  CTime t(kThu20240215 + 3600 + 2 * 60 + 3);
  EXPECT_EQ(t.GetYear(), 2024);
  EXPECT_EQ(t.GetMonth(), 2);
  EXPECT_EQ(t.GetDay(), 15);
  EXPECT_EQ(t.GetHour(), 10);
  EXPECT_EQ(t.GetMinute(), 2);
  EXPECT_EQ(t.GetSecond(), 3);
  EXPECT_EQ(t.GetDayOfWeek(), 5);  // Thursday, Sunday being 1
  EXPECT_EQ(CTime(2024, 2, 15, 9, 0, 0).GetTime(), kThu20240215);
  EXPECT_EQ((t - CTimeSpan(1, 0, 0, 0)).GetDay(), 14);
  EXPECT_EQ((t - CTime(kThu20240215)).GetTotalSeconds(), 3723);
  EXPECT_TRUE(CTime(1) < CTime(2));

  CTime now = CTime::GetCurrentTime();
  __time32_t t32 = 0;
  EXPECT_EQ(_time32(&t32), t32);
  EXPECT_LE(now.GetTime() - 1, static_cast<time_t>(t32));
}

TEST(TimeText, UnformableTimesGiveEmptyText) {
  ZoneGuard utc("UTC0");
  // Far beyond any year a broken-down time can hold.
  CTime huge(static_cast<time_t>(INT64_MAX));
  EXPECT_TRUE(huge.Format(kDateFormat).IsEmpty());
  EXPECT_EQ(huge.GetYear(), 0);
  EXPECT_EQ(qv::FormatLocalTime(0, nullptr), "");
  EXPECT_EQ(qv::FormatLocalTime(0, ""), "");
  // A long result is not cut.
  std::string longFormat(2000, 'x');
  longFormat += "%Y";
  EXPECT_EQ(qv::FormatLocalTime(0, longFormat.c_str()), std::string(2000, 'x') + "1970");
}

TEST(TimeText, Localtime32) {
  ZoneGuard utc("UTC0");
  struct tm tm;
  __time32_t t = static_cast<__time32_t>(kThu20240215);
  EXPECT_EQ(_localtime32_s(&tm, &t), 0);
  EXPECT_EQ(tm.tm_year, 124);
  EXPECT_EQ(tm.tm_wday, 4);
  __time32_t negative = -1;
  EXPECT_EQ(_localtime32_s(&tm, &negative), EINVAL);
  EXPECT_EQ(tm.tm_year, -1);
  // The failure form is still safe to hand to the C library.
  EXPECT_EQ(tm.tm_zone, nullptr);
  char zone[64];
  strftime(zone, sizeof zone, "%Z", &tm);
  EXPECT_EQ(_localtime32_s(&tm, nullptr), EINVAL);
  EXPECT_EQ(_localtime32_s(nullptr, &t), EINVAL);
}

}  // namespace
