// Scaling of kinetics samples, the capture from instrument memory and the points it plots.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "scal.h"
#include "wchart.h"

namespace {

TEST(KineticsValue, ScalesTheLowTwelveBitsAboveTheZeroPoint) {
  struct Case {
    std::uint16_t sample;
    double value;
  };
  const Case cases[] = {
      {2048, 0.0},           {2049, 0.00244140625}, {4095, 4.99755859375}, {2047, 0.0},
      {0, 0.0},              {0x1801, 0.00244140625}, {0xF800, 0.0},       {0xFFFF, 4.99755859375},
      {KineticsEntry(1), 0.01953125}, {KineticsEntry(105), 2.05078125},
      {KineticsEntry(255), 4.98046875},
  };
  for (const Case& c : cases) EXPECT_EQ(KineticsValue(c.sample), c.value) << "sample " << c.sample;
}

TEST(KineticsValue, EntriesRunFrom2048To4088) {
  EXPECT_EQ(KineticsEntry(0), 2048);
  EXPECT_EQ(KineticsEntry(1), 2056);
  EXPECT_EQ(KineticsEntry(255), 4088);
}

TEST(KineticsTime, TenMillisecondsApartWithSampleTwoAtZero) {
  EXPECT_EQ(KineticsTime(0), -0.02);
  EXPECT_EQ(KineticsTime(2), 0.0);
  EXPECT_DOUBLE_EQ(KineticsTime(1), -0.01);
  EXPECT_DOUBLE_EQ(KineticsTime(99), 0.97);
}

// Instrument memory as the capture sees it: logs every command, replies to reads from a table.
struct FakeMemory {
  std::vector<std::string> log;
  std::vector<Byte> replies;  // empty: a silent instrument, every reply 0
  std::size_t next = 0;

  Byte SetAddress(int line) {
    log.push_back("SetAddress " + std::to_string(line));
    return 0x55;
  }
  Byte ReadAt(Byte offset) {
    log.push_back("ReadAt " + std::to_string(offset));
    return 0x66;
  }
  Byte ReadNext() {
    log.push_back("ReadNext");
    return next < replies.size() ? replies[next++] : Byte{0};
  }
};

TEST(CaptureKinetics, SelectsLineZeroCellZeroThenReads128Lines) {
  FakeMemory memory;
  for (int i = 0; i < 128; ++i) memory.replies.push_back(static_cast<Byte>(255 - i));
  const TKineticsSamples samples = CaptureKinetics(memory);

  ASSERT_EQ(memory.log.size(), 130u);
  EXPECT_EQ(memory.log[0], "SetAddress 0");
  EXPECT_EQ(memory.log[1], "ReadAt 0");
  for (std::size_t i = 2; i < memory.log.size(); ++i) EXPECT_EQ(memory.log[i], "ReadNext");
  // The replies to the address and cell selection are not samples.
  for (std::size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(samples[i], 8 * (255 - i) + 2048);
}

TEST(CaptureKinetics, SilentInstrumentGivesTheZeroPointEverywhere) {
  FakeMemory memory;
  for (std::uint16_t s : CaptureKinetics(memory)) EXPECT_EQ(s, 2048);
}

TKineticsSamples SamplesOf(Byte (*byteAt)(int)) {
  TKineticsSamples samples{};
  for (int i = 0; i < KineticsSamples; ++i)
    samples[static_cast<std::size_t>(i)] = KineticsEntry(byteAt(i));
  return samples;
}

// Checks that the chart holds a move-to at point 0 and draw-tos at points 1 to 99 of valueAt.
void ExpectKineticsPlot(const WinRChart& chart, double (*valueAt)(int)) {
  ASSERT_EQ(chart.ItemCount(), 100u);
  int i = 0;
  for (const TDrawItem* item = chart.FirstItem(); item != nullptr; item = chart.NextItem(item), ++i) {
    EXPECT_EQ(item->Kind(), i == 0 ? ikMoveTo : ikDrawTo) << "point " << i;
    EXPECT_DOUBLE_EQ(item->X(), 0.01 * i - 0.02) << "point " << i;
    EXPECT_EQ(item->Y(), valueAt(i)) << "point " << i;
    EXPECT_EQ(item->Class(), 0) << "point " << i;
    EXPECT_EQ(item->Color(), clBlack);
  }
  EXPECT_EQ(i, 100);
}

TEST(PlotKinetics, RampOfBytesGivesTheFirstHundredPoints) {
  WinRChart chart;
  TKineticsSamples samples = SamplesOf([](int i) { return static_cast<Byte>(i); });
  PlotKinetics(samples, chart);
  ExpectKineticsPlot(chart, [](int i) { return i * 0.01953125; });
  EXPECT_EQ(chart.FirstItem()->X(), -0.02);
  EXPECT_EQ(chart.LastItem()->Y(), 1.93359375);

  // Samples 100 to 127 never reach the plot.
  for (std::size_t i = 100; i < samples.size(); ++i) samples[i] = KineticsEntry(255);
  PlotKinetics(samples, chart);
  ExpectKineticsPlot(chart, [](int i) { return i * 0.01953125; });
}

TEST(PlotKinetics, SilentInstrumentGivesAFlatTraceAtZero) {
  WinRChart chart;
  PlotKinetics(SamplesOf([](int) { return Byte{0}; }), chart);
  ExpectKineticsPlot(chart, [](int) { return 0.0; });
  EXPECT_DOUBLE_EQ(chart.LastItem()->X(), 0.97);
}

TEST(PlotKinetics, ReplacesWhatTheChartHeld) {
  WinRChart chart;
  chart.Draw(0, 0, 1, 1);
  chart.MarkAtClass(0.5, 0.5, 1, 7);
  PlotKinetics(SamplesOf([](int) { return Byte{255}; }), chart);
  ExpectKineticsPlot(chart, [](int) { return 4.98046875; });
  // The searches find the ends of the trace.
  EXPECT_EQ(chart.FindminXItemReal(), chart.FirstItem());
  EXPECT_EQ(chart.FindmaxXItemReal(), chart.LastItem());
}

}  // namespace
