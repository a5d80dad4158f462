// The calibrated busy-wait: the rescaling arithmetic, the calibration against a replaced PC clock,
// and one real calibration.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "misc.h"
#include "zeit.h"

namespace {

struct LoopsGuard {
  std::int32_t saved = LoopsPerMs;
  ~LoopsGuard() {
    LoopsPerMs = saved;
    SetPcClock({});
  }
};

TEST(SetDelayFactor, RescalesByNominalOverMeasured) {
  struct Case {
    double seconds;
    std::int32_t expected;
  };
  const Case cases[] = {
      {0.0, 100000},                   // the clock did not advance: unchanged
      {-1.0, 100000},                  // nonsense: unchanged
      {std::nan(""), 100000},          // not a number: unchanged
      {0.0004, 100000},                // rounds to 0 ms: unchanged, no division by zero
      {0.040, 100000 * 1000 / 40},     // a fast machine: 25 times as many steps
      {0.003, 33333333},               // 100000000 / 3 truncated, not rounded
      {2.0, 50000},                    // a slow run halves it
  };
  for (const Case& c : cases) {
    LoopsGuard guard;
    LoopsPerMs = 100000;
    SetDelayFactor(c.seconds);
    EXPECT_EQ(LoopsPerMs, c.expected) << "measured " << c.seconds << " s";
  }
}

TEST(SetDelayFactor, StaysWithinThirtyTwoBits) {
  LoopsGuard guard;
  LoopsPerMs = 2000000000;
  SetDelayFactor(0.001);
  EXPECT_EQ(LoopsPerMs, INT32_MAX);
}

TEST(CalibrateDelay, CountsOnlySecondsAndMillisecondsOfTheRun) {
  LoopsGuard guard;
  struct Case {
    PcTime start, end;
    std::int32_t expected;
  };
  // 3000 steps per ms keep the real run short; the replaced clock says how long it took.
  const Case cases[] = {
      {{2024, 1, 1, 10, 0, 0, 0}, {2024, 1, 1, 10, 1, 1, 500}, 3000 * 1000 / 1500},   // 61.5 s counts as 1.5 s
      {{2024, 1, 1, 10, 0, 0, 0}, {2024, 1, 1, 10, 0, 0, 40}, 3000 * 1000 / 40},
      {{2024, 1, 1, 23, 59, 59, 980}, {2024, 1, 2, 0, 0, 0, 20}, 3000 * 1000 / 40},  // across midnight
      {{2024, 1, 1, 10, 0, 5, 0}, {2024, 1, 1, 10, 0, 5, 0}, 3000},                  // no advance
  };
  for (const Case& c : cases) {
    LoopsPerMs = 3000;
    int reads = 0;
    SetPcClock([&] { return reads++ == 0 ? c.start : c.end; });
    CalibrateDelay();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(LoopsPerMs, c.expected);
  }
}

TEST(Delay, NothingForZeroOrLess) {
  LoopsGuard guard;
  LoopsPerMs = INT32_MAX;  // any real count-down would take ages
  Delay(0);
  Delay(-5);
  SUCCEED();
}

TEST(Delay, LastsAboutTheCalibratedTime) {
  LoopsGuard guard;
  CalibrateDelay();
  const auto t0 = std::chrono::steady_clock::now();
  Delay(200);
  const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  // Generous: a loaded machine stretches a busy-wait, and the calibration itself was measured on it.
  EXPECT_GT(ms, 80.0);
  EXPECT_LT(ms, 2000.0);
}

}  // namespace
