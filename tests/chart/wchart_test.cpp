// The operations of WinRChart on its drawing list and settings.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "wchart.h"

namespace {

std::vector<const TDrawItem*> Items(const WinRChart& chart) {
  std::vector<const TDrawItem*> out;
  for (const TDrawItem* item = chart.FirstItem(); item != nullptr; item = chart.NextItem(item))
    out.push_back(item);
  return out;
}

TEST(WinRChart, DrawDottedAppendsTwentyDashesOfTheAuxiliaryClass) {
  WinRChart chart;
  chart.DrawDotted(0, 1, 1, 1);
  const auto items = Items(chart);
  ASSERT_EQ(items.size(), 20u);
  for (int k = 0; k < 20; ++k) {
    const TDrawItem& d = *items[static_cast<std::size_t>(k)];
    EXPECT_EQ(d.Kind(), ikLine);
    EXPECT_DOUBLE_EQ(d.X(), 0.05 * k) << "dash " << k;
    EXPECT_DOUBLE_EQ(d.X2(), 0.05 * k + 0.025) << "dash " << k;
    EXPECT_EQ(d.Y(), 1.0);
    EXPECT_EQ(d.Y2(), 1.0);
    EXPECT_EQ(d.Class(), 255);
  }
  EXPECT_DOUBLE_EQ(items.back()->X2(), 0.975);
}

TEST(WinRChart, DrawDottedRunsEachDashFromY1ToY2AndStaysInPlaceWhenXIsEqual) {
  WinRChart chart;
  chart.DrawDotted(0.3, 0.2, 0.3, 1.7);
  const auto items = Items(chart);
  ASSERT_EQ(items.size(), 20u);
  for (const TDrawItem* d : items) {
    EXPECT_EQ(d->X(), 0.3);
    EXPECT_EQ(d->X2(), 0.3);
    EXPECT_EQ(d->Y(), 0.2);
    EXPECT_EQ(d->Y2(), 1.7);
    EXPECT_EQ(d->Class(), 255);
  }
}

TEST(WinRChart, FrameDrawsFourSidesInItsColourAndLeavesTheDataColour) {
  WinRChart chart;
  const QColor before(10, 20, 30);
  chart.setColor(before);
  chart.Frame(clRed, 0.1, 0.2, 0.9, 1.8);
  EXPECT_EQ(chart.getCol(4), before);

  struct Side {
    double x1, y1, x2, y2;
  };
  const Side sides[] = {{0.1, 0.2, 0.1, 1.8}, {0.1, 1.8, 0.9, 1.8}, {0.9, 1.8, 0.9, 0.2},
                        {0.9, 0.2, 0.1, 0.2}};
  const auto items = Items(chart);
  ASSERT_EQ(items.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(items[i]->Kind(), ikLine);
    EXPECT_EQ(items[i]->Color(), clRed);
    EXPECT_EQ(items[i]->X(), sides[i].x1);
    EXPECT_EQ(items[i]->Y(), sides[i].y1);
    EXPECT_EQ(items[i]->X2(), sides[i].x2);
    EXPECT_EQ(items[i]->Y2(), sides[i].y2);
  }
  chart.Draw(0, 0, 1, 1);
  EXPECT_EQ(chart.LastItem()->Color(), before);
}

TEST(WinRChart, MarkAtClassThenLastItemYieldsThatMark) {
  WinRChart chart;
  EXPECT_EQ(chart.LastItem(), nullptr);
  chart.MoveTo(0, 0);
  chart.MarkAtClass(0.4, 1.1, 3, 7);
  const TDrawItem* last = chart.LastItem();
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Kind(), ikMark);
  EXPECT_EQ(last->X(), 0.4);
  EXPECT_EQ(last->Y(), 1.1);
  EXPECT_EQ(last->MarkKind(), 3);
  EXPECT_EQ(last->Class(), 7);
  EXPECT_EQ(chart.FirstItem()->Class(), 0);

  // Items stay put while more are appended, so a found item can still be used.
  for (int i = 0; i < 1000; ++i) chart.DrawTo(i, 1);
  EXPECT_EQ(last->MarkKind(), 3);
  EXPECT_EQ(chart.NextItem(last)->X(), 0.0);
  chart.clearIt();
  EXPECT_TRUE(chart.IsEmpty());
  EXPECT_EQ(chart.LastItem(), nullptr);
}

// A drawing list for the x searches: (kind, x, class). The expected indexes are -1 for no item.
struct SearchCase {
  const char* name;
  std::vector<std::pair<double, Byte>> items;
  int minIndex;
  int maxIndex;
};

TEST(WinRChart, MinAndMaxXSearches) {
  const double inf = std::numeric_limits<double>::infinity();
  const SearchCase cases[] = {
      {"empty list", {}, -1, -1},
      {"one item", {{0.5, 0}}, 0, 0},
      {"class 255 skipped", {{0.1, 255}, {0.5, 0}, {0.9, 255}, {0.7, 3}}, 1, 3},
      {"only class 255", {{0.1, 255}, {0.5, 255}}, -1, -1},
      {"earliest of equals", {{0.2, 0}, {0.8, 0}, {0.2, 1}, {0.8, 2}}, 0, 1},
      {"all x at or below 1e-30", {{0.0, 0}, {-0.02, 0}, {1e-30, 0}}, 1, -1},
      {"just above 1e-30", {{0.0, 0}, {2e-30, 0}}, 0, 1},
      {"x at 1e30 or more never the minimum", {{1e30, 0}, {inf, 0}}, -1, 1},
      {"negative values", {{-3.0, 0}, {-1.0, 0}, {-5.0, 0}}, 2, -1},
  };
  for (const SearchCase& c : cases) {
    WinRChart chart;
    for (const auto& [x, cls] : c.items) chart.MarkAtClass(x, 1.0, 0, cls);
    const auto items = Items(chart);
    auto at = [&](int i) { return i < 0 ? nullptr : items[static_cast<std::size_t>(i)]; };
    EXPECT_EQ(chart.FindminXItemReal(), at(c.minIndex)) << c.name;
    EXPECT_EQ(chart.FindmaxXItemReal(), at(c.maxIndex)) << c.name;
  }
}

TEST(WinRChart, SearchesUseTheFirstPointOfALine) {
  WinRChart chart;
  chart.Draw(0.5, 0, -1.0, 0);
  chart.Draw(0.4, 0, 3.0, 0);
  const auto items = Items(chart);
  EXPECT_EQ(chart.FindminXItemReal(), items[1]);
  EXPECT_EQ(chart.FindmaxXItemReal(), items[0]);
}

TEST(WinRChart, GetRangeAndGetCol) {
  WinRChart chart;
  const std::pair<int, double> ranges[] = {{1, -0.02}, {2, 0.0}, {3, 1.05}, {4, 2.05},
                                           {0, 0.0},   {5, 0.0}, {-1, 0.0}};
  for (const auto& [which, value] : ranges) EXPECT_EQ(chart.GetRange(which), value) << which;

  chart.setColor(QColor(1, 2, 3));
  const std::pair<Byte, QColor> colours[] = {{1, clBlack},        {2, clAqua}, {3, clBlack},
                                             {4, QColor(1, 2, 3)}, {0, clBlack}, {5, clBlack},
                                             {255, clBlack}};
  for (const auto& [which, colour] : colours) EXPECT_EQ(chart.getCol(which), colour) << int(which);
  EXPECT_EQ(chart.getCol(2), QColor(Qt::cyan));
}

TEST(WinRChart, GridAndTitleSettings) {
  WinRChart chart;
  EXPECT_EQ(chart.Settings().GridStyle, gsPoints);
  chart.SetGrid(0.1, 0.25);
  EXPECT_EQ(chart.Settings().GridStyle, gsLines);
  EXPECT_EQ(chart.Settings().GridColor, QColor(128, 128, 128));
  // The spacing is not taken from the arguments.
  EXPECT_EQ(chart.Settings().GridDx, 0.2);
  EXPECT_EQ(chart.Settings().GridDy, 0.5);
  chart.ResetGrid();
  EXPECT_EQ(chart.Settings().GridStyle, gsNone);

  EXPECT_TRUE(chart.Settings().Caption.isEmpty());
  chart.SetTitle(QStringLiteral("Pulse 3"));
  EXPECT_EQ(chart.Settings().Caption, QStringLiteral("Pulse 3"));
}

TEST(ChartBase, ItemsCopyThePenSettingsWhenAppended) {
  WinRChart chart;
  TChartSettings s = chart.Settings();
  s.PenStyle = Qt::DashLine;
  s.LineWidth = 3;
  s.ClassDefault = 9;
  chart.SetSettings(s);
  chart.setColor(clRed);
  chart.Mark(0.1, 0.2, 4);
  chart.setColor(clBlack);
  s.LineWidth = 1;
  chart.SetSettings(s);
  const TDrawItem* mark = chart.LastItem();
  EXPECT_EQ(mark->Color(), clRed);
  EXPECT_EQ(mark->PenStyle(), Qt::DashLine);
  EXPECT_EQ(mark->LineWidth(), 3);
  EXPECT_EQ(mark->Class(), 9);

  // A foreign item is neither walked from nor changed.
  WinRChart other;
  other.MoveTo(0, 0);
  chart.SetItemClass(other.FirstItem(), 1);
  EXPECT_EQ(other.FirstItem()->Class(), 0);
  EXPECT_EQ(chart.NextItem(other.FirstItem()), nullptr);
  EXPECT_EQ(chart.NextItem(nullptr), nullptr);
}

TEST(ChartBase, TickStepIsTheLargestOneTwoOrFiveTimesAPowerOfTen) {
  const struct {
    double range;
    int minTicks;
    double step;
  } cases[] = {{1.07, 2, 0.5}, {2.05, 3, 0.5}, {1.0, 2, 0.5}, {1.0, 1, 1.0}, {10.0, 5, 2.0},
               {7.0, 1, 5.0},  {0.03, 3, 0.01}, {450.0, 2, 200.0}, {0.0, 3, 0.0}, {1.0, 0, 0.0}};
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(TickStep(c.range, c.minTicks), c.step) << c.range << " / " << c.minTicks;
}

}  // namespace
