// What the kinetics chart paints: plotting area, outline, scales, grid dots and the trace.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>

#include <cmath>
#include <limits>
#include <vector>

#include "scal.h"
#include "wchart.h"

namespace {

// The plotting area of the kinetics chart in pixels: columns 30 to 221, rows 14 to 227.
constexpr int Left = 30, Right = 221, Top = 14, Bottom = 227;

int PixelX(double t) { return static_cast<int>(std::lround(Left + (t + 0.02) / 1.07 * 191)); }
int PixelY(double f) { return static_cast<int>(std::lround(Bottom - f / 2.05 * 213)); }

const QRgb Aqua = qRgb(0, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

class ChartRender : public ::testing::Test {
 protected:
  ChartRender() {
    QFont font(QStringLiteral("System"));
    font.setPixelSize(13);
    chart.setFont(font);
    chart.resize(223, 273);
  }

  QImage Grab() {
    QImage image = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (const QByteArray path = qgetenv("QELT_CHART_PNG"); !path.isEmpty())
      image.save(QString::fromLocal8Bit(path));
    return image;
  }

  static bool Dark(QRgb c) { return qGray(c) < 100; }
  // Whether any pixel in the rectangle of columns x0..x1 and rows y0..y1 is dark.
  static bool AnyDark(const QImage& img, int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (Dark(img.pixel(x, y))) return true;
    return false;
  }

  static TKineticsSamples Flat(Byte b) {
    TKineticsSamples s{};
    s.fill(KineticsEntry(b));
    return s;
  }

  WinRChart chart;
};

TEST_F(ChartRender, EmptyChartShowsTheAquaAreaTheOutlineAndThirtyGridDots) {
  const QImage img = Grab();
  ASSERT_EQ(img.size(), QSize(223, 273));

  std::vector<QPoint> dots;
  for (double t : {0.0, 0.2, 0.4, 0.6, 0.8, 1.0})
    for (double f : {0.0, 0.5, 1.0, 1.5, 2.0}) dots.emplace_back(PixelX(t), PixelY(f));
  for (const QPoint& d : dots) EXPECT_EQ(img.pixel(d), Black) << d.x() << "," << d.y();

  int notAqua = 0;
  for (int y = Top; y <= Bottom; ++y)
    for (int x = Left; x <= Right; ++x)
      if (img.pixel(x, y) != Aqua) ++notAqua;
  EXPECT_EQ(notAqua, 30) << "only the grid dots lie on the aqua area";

  for (int x = Left - 1; x <= Right + 1; ++x) {
    EXPECT_EQ(img.pixel(x, Top - 1), Black) << "top outline at " << x;
    EXPECT_EQ(img.pixel(x, Bottom + 1), Black) << "bottom outline at " << x;
  }
  for (int y = Top - 1; y <= Bottom + 1; ++y) {
    EXPECT_EQ(img.pixel(Left - 1, y), Black) << "left outline at " << y;
    EXPECT_EQ(img.pixel(Right + 1, y), Black) << "right outline at " << y;
  }
  // Outside the outline lies the control's own colour.
  EXPECT_EQ(img.pixel(222 - 1, 0), chart.palette().color(QPalette::Window).rgb());
  EXPECT_NE(img.pixel(Left - 2, Top + 100), Black);
}

TEST_F(ChartRender, LabelsSitAtTheLabelledTicksAndTheTitlesWhereTheyBelong) {
  const QImage img = Grab();
  // Time axis: labelled ticks at 0.0, 0.5 and 1.0 hang below the outline; no label at 0.2.
  for (double t : {0.0, 0.5, 1.0}) EXPECT_TRUE(AnyDark(img, PixelX(t), 229, PixelX(t), 232)) << t;
  const int labelTop = 234;
  std::vector<int> darkRows;
  for (int y = labelTop; y < img.height(); ++y)
    if (AnyDark(img, 0, y, img.width() - 1, y)) darkRows.push_back(y);
  ASSERT_FALSE(darkRows.empty());
  // Two bands of text below the axis: the labels, then the title.
  std::size_t split = 1;
  while (split < darkRows.size() && darkRows[split] == darkRows[split - 1] + 1) ++split;
  ASSERT_LT(split, darkRows.size()) << "the axis title lies under the labels";
  const int labelsBottom = darkRows[split - 1], titleTop = darkRows[split];
  for (double t : {0.0, 0.5, 1.0})
    EXPECT_TRUE(AnyDark(img, PixelX(t) - 4, labelTop, PixelX(t) + 4, labelsBottom)) << t;
  EXPECT_FALSE(AnyDark(img, PixelX(0.25) - 3, labelTop, PixelX(0.25) + 3, labelsBottom));
  EXPECT_FALSE(AnyDark(img, PixelX(0.75) - 3, labelTop, PixelX(0.75) + 3, labelsBottom));

  int minX = img.width(), maxX = -1;
  for (int y = titleTop; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (Dark(img.pixel(x, y))) minX = std::min(minX, x), maxX = std::max(maxX, x);
  EXPECT_NEAR((minX + maxX) / 2.0, (Left + Right) / 2.0, 3.0) << "\"Time, sec.\" is centred";

  // Fluorescence axis: labels at 0.0 to 2.0 beside the axis, none halfway between them.
  for (double f : {0.0, 0.5, 1.0, 1.5, 2.0})
    EXPECT_TRUE(AnyDark(img, 0, PixelY(f) - 3, Left - 7, PixelY(f) + 3)) << f;
  for (double f : {0.25, 0.75, 1.25, 1.75})
    EXPECT_FALSE(AnyDark(img, 0, PixelY(f) - 2, Left - 7, PixelY(f) + 2)) << f;

  // "F rel. units" above the area, from its left edge on.
  EXPECT_TRUE(AnyDark(img, Left, 0, Left + 3, Top - 2));
  EXPECT_FALSE(AnyDark(img, 0, 0, Left - 2, Top - 2));
}

TEST_F(ChartRender, SilentInstrumentTraceRunsAlongTheBottomEdge) {
  PlotKinetics(Flat(0), chart);
  const QImage img = Grab();
  for (int x = Left; x <= PixelX(0.97) - 1; ++x) EXPECT_EQ(img.pixel(x, Bottom), Black) << x;
  for (int x = PixelX(0.97) + 2; x <= Right; ++x)
    if (x != PixelX(1.0)) {
      EXPECT_EQ(img.pixel(x, Bottom), Aqua) << x;
    }
  EXPECT_EQ(img.pixel(Left, Bottom - 1), Aqua) << "the trace is one pixel wide";
}

TEST_F(ChartRender, ValuesAboveTheRangeAreCutAtTheTopEdge) {
  TKineticsSamples s = Flat(0);
  for (std::size_t i = 50; i < s.size(); ++i) s[i] = KineticsEntry(200);  // 3.90625
  PlotKinetics(s, chart);
  const QImage img = Grab();
  const int rise = PixelX(KineticsTime(49)), top = PixelX(KineticsTime(50));
  EXPECT_TRUE(AnyDark(img, rise, Top, top, Top)) << "the rise reaches the top edge";
  EXPECT_EQ(img.pixel(Left, Bottom), Black) << "point 0 lies on the left edge";
  // Nothing of the trace above the plotting area, right of the ordinate title.
  EXPECT_FALSE(AnyDark(img, 140, 0, Right + 1, Top - 2));
  // The flat part beyond the range is not drawn inside the area either.
  for (int x = top + 2; x <= Right; ++x) EXPECT_EQ(img.pixel(x, Top), Aqua) << x;
}

TEST_F(ChartRender, ASecondPlotLeavesOnlyTheNewestTrace) {
  PlotKinetics(Flat(64), chart);  // 1.25
  (void)Grab();
  PlotKinetics(Flat(13), chart);  // 0.25390625
  const QImage img = Grab();
  EXPECT_FALSE(AnyDark(img, Left + 1, PixelY(1.25) - 1, Right, PixelY(1.25) + 1));
  int dark = 0;
  for (int x = Left; x <= Right; ++x) dark += AnyDark(img, x, PixelY(0.25390625) - 1, x, PixelY(0.25390625) + 1);
  EXPECT_GE(dark, PixelX(0.97) - Left);
}

TEST_F(ChartRender, ValuesFarOutsideTheRangesAndNonNumbersAreCutOrDropped) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  chart.Draw(0.5, 1.25, 1e300, 1.25);
  chart.Draw(nan, 0.5, 0.5, 0.5);
  chart.MoveTo(-inf, 1.75);
  chart.DrawTo(0.5, 1.75);
  chart.MarkAtClass(nan, nan, 3, 0);
  const QImage img = Grab();
  for (int x = PixelX(0.5) + 1; x <= Right; ++x)
    EXPECT_TRUE(AnyDark(img, x, PixelY(1.25) - 1, x, PixelY(1.25) + 1)) << x;
  EXPECT_FALSE(AnyDark(img, Left + 1, PixelY(0.25) - 1, Right, PixelY(0.25) + 1));
}

TEST_F(ChartRender, HiddenClassesAndTheOtherGridStyles) {
  chart.DrawDotted(0.0, 1.25, 1.0, 1.25);
  chart.SetClassVisible(255, false);
  chart.ResetGrid();
  QImage img = Grab();
  int notAqua = 0;
  for (int y = Top; y <= Bottom; ++y)
    for (int x = Left; x <= Right; ++x) notAqua += img.pixel(x, y) != Aqua;
  EXPECT_EQ(notAqua, 0) << "no grid, and the dashes hidden";

  chart.SetClassVisible(255, true);
  chart.SetGrid(0.1, 0.1);
  img = Grab();
  // Dashes: dark at the middle of the first dash, aqua in the middle of the first gap.
  EXPECT_TRUE(AnyDark(img, PixelX(0.0125), PixelY(1.25) - 1, PixelX(0.0125), PixelY(1.25) + 1));
  EXPECT_EQ(img.pixel(PixelX(0.0375), PixelY(1.25)), Aqua);
  // Gray grid lines through the whole area at the unchanged spacing.
  const QRgb gray = qRgb(128, 128, 128);
  EXPECT_EQ(img.pixel(PixelX(0.2), Top + 1), gray);
  EXPECT_EQ(img.pixel(PixelX(0.2), Bottom - 1), gray);
  EXPECT_EQ(img.pixel(Left + 1, PixelY(0.5)), gray);
  EXPECT_EQ(img.pixel(PixelX(0.1), Top + 1), Aqua);
}

}  // namespace
