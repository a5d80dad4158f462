#pragma once
// Calibrated busy-wait delay and the small hexadecimal conversions.

#include <cstdint>
#include <string>
#include <string_view>

#include "typen.h"

// Count-down steps that make one calibrated millisecond. 100000 until the calibration.
extern std::int32_t LoopsPerMs;

// Busy-waits for about ms calibrated milliseconds; 0 or less returns at once. Never sleeps, never
// yields and processes no window events.
void Delay(std::int32_t ms);
// Rescales LoopsPerMs from the measured duration, in seconds, of a nominal 1000 ms run.
void SetDelayFactor(double seconds);
// Times twenty Delay(50) against the PC clock and rescales LoopsPerMs from it.
void CalibrateDelay();

// Two upper-case hexadecimal digits, high nibble first.
std::string ByteToHex(Byte b);
// Reads hexadecimal digits left to right; characters that are not digits still count (see .cpp).
int HexToInt(std::string_view text);

// The folder that holds the running program file, with a trailing '/'.
std::string ProgramFolder();
