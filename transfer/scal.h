#pragma once
// The kinetics of the last saturation pulse: reading the kinetics buffer out of instrument memory,
// scaling its samples to relative fluorescence, and plotting them on a chart.

#include <array>
#include <concepts>
#include <cstdint>

#include "typen.h"

class WinRChart;

// Relative fluorescence per count above the sample zero point (exactly 10 / 4096).
inline constexpr double KineticsScale = 0.00244140625;
// The 12-bit sample count that stands for zero fluorescence.
inline constexpr int KineticsZero = 2048;
// The buffer holds 128 samples, one per memory line; the first 100 are plotted.
inline constexpr int KineticsSamples = 128;
inline constexpr int KineticsPoints = 100;

using TKineticsSamples = std::array<std::uint16_t, KineticsSamples>;

// Fluorescence of one sample: the low 12 bits above 2048, scaled; 0 at or below 2048.
double KineticsValue(std::uint16_t sample);

// Time of sample i in seconds: 10 ms apart, sample 2 at time zero.
inline double KineticsTime(int i) { return 0.01 * i - 0.02; }

// The sample entry of one byte of the buffer: 8 x byte + 2048, from 2048 to 4088.
inline std::uint16_t KineticsEntry(Byte reply) {
  return static_cast<std::uint16_t>(8 * reply + KineticsZero);
}

// What the capture needs of the instrument object: its memory commands.
template <typename Memory>
concept KineticsMemory = requires(Memory& m) {
  m.SetAddress(0);
  m.ReadAt(Byte{0});
  { m.ReadNext() } -> std::convertible_to<Byte>;
};

// Reads the kinetics buffer, cell 0 of lines 0 to 127: the address and the cell are selected (their
// replies are not used), then 128 reads each take the next line. A silent instrument reads as 0
// throughout and so gives 128 entries of 2048. Called with UniCtrl by the kinetics command.
template <KineticsMemory Memory>
TKineticsSamples CaptureKinetics(Memory& memory) {
  TKineticsSamples samples{};
  memory.SetAddress(0);
  memory.ReadAt(Byte{0});
  for (auto& entry : samples) entry = KineticsEntry(static_cast<Byte>(memory.ReadNext()));
  return samples;
}

// Clears the chart, then appends a move-to at point 0 and draw-tos at points 1 to 99: the samples
// 100 to 127 are not plotted.
void PlotKinetics(const TKineticsSamples& samples, WinRChart& chart);
