#pragma once
// The PC clock and the texts made from it.
//
// Everything in both programs that reads the PC's date or time of day goes through PcNow(), so
// tests can put a clock of their own in its place with SetPcClock().

#include <functional>
#include <string>

#include "typen.h"

// Local date and time of day, with milliseconds.
struct PcTime {
  int Year = 2000;
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Msec = 0;
};

using PcClock = std::function<PcTime()>;

PcTime PcNow();
// Replaces the PC clock; an empty function restores the system clock.
void SetPcClock(PcClock clock);

// The PC's time separator (between hours, minutes and seconds).
constexpr char TimeSeparator = ':';
// The process-wide date separator. The first clock read sets it to '/' and leaves it so; the
// printed footer joins its date with it.
extern char DateSeparator;

// The PC's current local date as "dd.mm.yy", and that of a given reading.
std::string DateText();
std::string DateText(const PcTime& t);
// The PC's current local time of day as "hh:nn:ss", and that of a given reading.
std::string TimeText();
std::string TimeText(const PcTime& t);

// The clock field's text of a date-time: "dd.mm.yy", then one blank and "hh:nn:ss" unless the time
// of day is exactly midnight.
std::string ClockText(const TDateTime& t);

// True when the date exists in the Gregorian calendar.
bool IsValidDate(int year, int month, int day);
