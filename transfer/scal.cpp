#include "scal.h"

#include "uni_ctrl.h"
#include "wchart.h"

static_assert(KineticsMemory<TUniCtrl>, "the instrument object offers the memory commands");

double KineticsValue(std::uint16_t sample) {
  const int d = (sample & 0x0FFF) - KineticsZero;
  return d > 0 ? d * KineticsScale : 0.0;
}

void PlotKinetics(const TKineticsSamples& samples, WinRChart& chart) {
  chart.Clear();
  chart.MoveTo(KineticsTime(0), KineticsValue(samples[0]));
  for (int i = 1; i < KineticsPoints; ++i)
    chart.DrawTo(KineticsTime(i), KineticsValue(samples[static_cast<std::size_t>(i)]));
}
