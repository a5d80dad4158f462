#include "misc.h"

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdint>

#include "zeit.h"

std::int32_t LoopsPerMs = 100000;

void Delay(std::int32_t ms) {
  for (std::int32_t i = 0; i < ms; ++i) {
    // One calibrated millisecond: the very count-down that CalibrateDelay timed. The counter is
    // volatile so the compiler can neither drop the loop nor fold it into one step.
    volatile std::int32_t k = LoopsPerMs;
    while (k > 0) k = k - 1;
  }
}

void SetDelayFactor(double seconds) {
  if (!(seconds > 0)) return;  // also NaN
  const long long elapsedMs = std::llround(seconds * 1000.0);
  // A run too short to measure (the clock did not advance) tells nothing: keep the old value.
  if (elapsedMs <= 0) return;
  long long loops = static_cast<long long>(LoopsPerMs) * 1000 / elapsedMs;
  // Keep the count usable: at least one step per millisecond, and within 32 bits.
  if (loops < 1) loops = 1;
  if (loops > INT32_MAX) loops = INT32_MAX;
  LoopsPerMs = static_cast<std::int32_t>(loops);
}

namespace {
long long MsOfDay(const PcTime& t) {
  return ((t.Hour * 60LL + t.Minute) * 60 + t.Second) * 1000 + t.Msec;
}
}  // namespace

void CalibrateDelay() {
  const PcTime t0 = PcNow();
  for (int i = 0; i < 20; ++i) Delay(50);
  const PcTime t1 = PcNow();
  long long d = MsOfDay(t1) - MsOfDay(t0);
  if (d < 0) d += 24LL * 60 * 60 * 1000;  // the run spanned midnight
  // Whole minutes and hours are not counted: only seconds and milliseconds of the difference.
  const long long seconds = (d / 1000) % 60;
  const long long elapsed = seconds * 1000 + d % 1000;
  SetDelayFactor(static_cast<double>(elapsed) / 1000.0);
}

std::string ByteToHex(Byte b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

int HexToInt(std::string_view text) {
  // Unsigned arithmetic: a long text wraps around instead of overflowing.
  std::uint32_t result = 0;
  for (const char ch : text) {
    const int c = static_cast<unsigned char>(ch);
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c > '9')
      digit = (c - 55) % 16;
    else
      digit = c - 48;  // below '0': counts negative
    result = result * 16u + static_cast<std::uint32_t>(digit);
  }
  return static_cast<int>(result);
}

std::string ProgramFolder() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string path(buf, static_cast<size_t>(n));
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}
