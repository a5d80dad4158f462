#include "wchart.h"

WinRChart::WinRChart(QWidget* parent) : TChartBase(parent) {}

void WinRChart::Show() { Redraw(); }

void WinRChart::clearIt() { Clear(); }

void WinRChart::Draw(double x1, double y1, double x2, double y2) { Line(x1, y1, x2, y2); }

void WinRChart::DrawDotted(double x1, double y1, double x2, double y2) {
  const double h = (x2 - x1) / 40.0;
  for (int k = 0; k < 20; ++k) {
    Line(x1 + 2.0 * k * h, y1, x1 + (2.0 * k + 1.0) * h, y2);
    SetItemClass(LastItem(), AuxClass);
  }
}

void WinRChart::Frame(const QColor& colour, double x1, double y1, double x2, double y2) {
  const QColor remembered = Settings().DataColor;
  SetDataColor(colour);
  Line(x1, y1, x1, y2);
  Line(x1, y2, x2, y2);
  Line(x2, y2, x2, y1);
  Line(x2, y1, x1, y1);
  SetDataColor(remembered);
}

void WinRChart::MarkAtClass(double x, double y, Byte markKind, Byte cls) {
  Mark(x, y, markKind);
  SetItemClass(LastItem(), cls);
}

const TDrawItem* WinRChart::LastItem() const {
  const TDrawItem* last = nullptr;
  for (const TDrawItem* item = FirstItem(); item != nullptr; item = NextItem(item)) last = item;
  return last;
}

const TDrawItem* WinRChart::FindminXItemReal() const {
  const TDrawItem* best = nullptr;
  double limit = 1e30;
  for (const TDrawItem* item = FirstItem(); item != nullptr; item = NextItem(item)) {
    if (item->Class() == AuxClass) continue;
    if (item->X() < limit) {
      best = item;
      limit = item->X();
    }
  }
  return best;
}

const TDrawItem* WinRChart::FindmaxXItemReal() const {
  const TDrawItem* best = nullptr;
  double limit = 1e-30;
  for (const TDrawItem* item = FirstItem(); item != nullptr; item = NextItem(item)) {
    if (item->Class() == AuxClass) continue;
    if (item->X() > limit) {
      best = item;
      limit = item->X();
    }
  }
  return best;
}

void WinRChart::setColor(const QColor& colour) { SetDataColor(colour); }

QColor WinRChart::getCol(Byte which) const {
  switch (which) {
    case 1: return Settings().ScaleColor;
    case 2: return Settings().ChartColor;
    case 3: return Settings().FontColor;
    case 4: return Settings().DataColor;
    default: return clBlack;
  }
}

double WinRChart::GetRange(int which) const {
  switch (which) {
    case 1: return Settings().RangeLoX;
    case 2: return Settings().RangeLoY;
    case 3: return Settings().RangeHiX;
    case 4: return Settings().RangeHiY;
    default: return 0.0;
  }
}

void WinRChart::SetTitle(const QString& text) { SetCaption(text); }

void WinRChart::ResetGrid() { SetGridStyle(gsNone); }

void WinRChart::SetGrid(double /*dx*/, double /*dy*/) {
  SetGridStyle(gsLines);
  SetGridColor(clGray);
}
