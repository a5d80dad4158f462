#include "zeit.h"

#include <chrono>
#include <cstdio>
#include <ctime>

char DateSeparator = '.';

namespace {

PcTime SystemNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&secs, &local);
  PcTime t;
  t.Year = local.tm_year + 1900;
  t.Month = local.tm_mon + 1;
  t.Day = local.tm_mday;
  t.Hour = local.tm_hour;
  t.Minute = local.tm_min;
  t.Second = local.tm_sec;
  t.Msec = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return t;
}

PcClock& Clock() {
  static PcClock clock;
  return clock;
}

std::string TwoDigits(int a, char sep1, int b, char sep2, int c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", a % 100, sep1, b % 100, sep2, c % 100);
  return buf;
}

}  // namespace

PcTime PcNow() { return Clock() ? Clock()() : SystemNow(); }

void SetPcClock(PcClock clock) { Clock() = std::move(clock); }

std::string DateText(const PcTime& t) { return TwoDigits(t.Day, '.', t.Month, '.', t.Year); }
std::string DateText() { return DateText(PcNow()); }

std::string TimeText(const PcTime& t) { return TwoDigits(t.Hour, TimeSeparator, t.Minute, TimeSeparator, t.Second); }
std::string TimeText() { return TimeText(PcNow()); }

std::string ClockText(const TDateTime& t) {
  std::string text = TwoDigits(t.Day, '.', t.Month, '.', t.Year);
  if (t.Hour != 0 || t.Minute != 0 || t.Second != 0)
    text += ' ' + TwoDigits(t.Hour, TimeSeparator, t.Minute, TimeSeparator, t.Second);
  return text;
}

bool IsValidDate(int year, int month, int day) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int length = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= length;
}
