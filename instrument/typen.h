#pragma once
// Types shared by the link, the protocol and both programs.

#include <cstdint>

using Byte = std::uint8_t;

// A date and time of day to the second. The default value, 30 December 1899 00:00:00, is the
// zero date-time: it stands for an instrument that did not answer the clock read.
struct TDateTime {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;

  friend bool operator==(const TDateTime&, const TDateTime&) = default;
  bool IsZero() const { return *this == TDateTime{}; }
};
