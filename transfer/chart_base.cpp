#include "chart_base.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// No axis gets more tick or grid positions than this, whatever its spacing.
constexpr int MaxPositions = 2000;

constexpr int LongTick = 5;
constexpr int ShortTick = 3;
constexpr int LabelGap = 2;
constexpr int MarkRadius = 2;

// Positions n * step inside [lo, hi]; with openHigh the high end itself is left out.
std::vector<double> Multiples(double lo, double hi, double step, bool openHigh) {
  std::vector<double> out;
  if (!(step > 0.0) || !std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo)) return out;
  const double eps = 1e-9;
  const double first = std::ceil(lo / step - eps);
  const double last = openHigh ? std::ceil(hi / step - eps) - 1.0 : std::floor(hi / step + eps);
  if (!(last - first < MaxPositions)) return out;
  for (double n = first; n <= last; n += 1.0) {
    const double v = n * step;
    out.push_back(std::abs(v) < step * eps ? 0.0 : v);  // no "-0.0" labels
  }
  return out;
}

// How many short-tick intervals one labelled interval has, from the step's leading digit.
int ShortTickDivisions(double step) {
  const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
  return std::lround(mantissa) == 2 ? 4 : 5;
}

// Cuts the segment a-b to the rectangle r (Liang-Barsky); false when nothing of it lies inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r) {
  if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
      !std::isfinite(b.y()))
    return false;
  const double dx = b.x() - a.x();
  const double dy = b.y() - a.y();
  double t0 = 0.0;
  double t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const QPointF start = a;
  a = start + t0 * QPointF(dx, dy);
  b = start + t1 * QPointF(dx, dy);
  return true;
}

void DrawMark(QPainter& p, QPointF c, Byte kind) {
  const double r = MarkRadius;
  switch (kind) {
    case 1:  // plus
      p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
      p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
      break;
    case 2:  // diagonal cross
      p.drawLine(QPointF(c.x() - r, c.y() - r), QPointF(c.x() + r, c.y() + r));
      p.drawLine(QPointF(c.x() - r, c.y() + r), QPointF(c.x() + r, c.y() - r));
      break;
    case 3:  // circle
      p.drawEllipse(c, r, r);
      break;
    case 4:  // filled square
      p.fillRect(QRectF(c.x() - r, c.y() - r, 2 * r + 1, 2 * r + 1), p.pen().color());
      break;
    case 5: {  // triangle
      const QPointF tri[3] = {{c.x(), c.y() - r}, {c.x() + r, c.y() + r}, {c.x() - r, c.y() + r}};
      p.drawPolygon(tri, 3);
      break;
    }
    case 6:  // single point
      p.drawPoint(c);
      break;
    default:  // open square
      p.drawRect(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r));
      break;
  }
}

}  // namespace

double TickStep(double range, int minTicks) {
  if (!(range > 0.0) || minTicks < 1 || !std::isfinite(range)) return 0.0;
  const double limit = range / minTicks;
  const double decade = std::pow(10.0, std::floor(std::log10(limit)));
  // Small tolerance so that a limit that is itself 1, 2 or 5 times a power of ten picks that step.
  for (double m : {5.0, 2.0, 1.0})
    if (m * decade <= limit * (1.0 + 1e-12)) return m * decade;
  return decade / 2.0;  // only reached through rounding of log10
}

TChartBase::TChartBase(QWidget* parent) : QWidget(parent) {
  m_visible.set();
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChartBase::SetSettings(const TChartSettings& settings) {
  m_settings = settings;
  update();
}

void TChartBase::SetDataColor(const QColor& colour) { m_settings.DataColor = colour; }

void TChartBase::SetGridStyle(TGridStyle style) {
  m_settings.GridStyle = style;
  update();
}

void TChartBase::SetGridColor(const QColor& colour) {
  m_settings.GridColor = colour;
  update();
}

void TChartBase::SetCaption(const QString& caption) {
  m_settings.Caption = caption;
  update();
}

void TChartBase::SetClassVisible(Byte cls, bool visible) {
  m_visible.set(cls, visible);
  update();
}

void TChartBase::Clear() {
  m_items.clear();
  update();
}

TDrawItem& TChartBase::Append(TItemKind kind, double x, double y) {
  TDrawItem& item = m_items.emplace_back();
  item.m_index = m_items.size() - 1;
  item.m_kind = kind;
  item.m_x = x;
  item.m_y = y;
  item.m_color = m_settings.DataColor;
  item.m_penStyle = m_settings.PenStyle;
  item.m_lineWidth = m_settings.LineWidth;
  item.m_class = m_settings.ClassDefault;
  update();
  return item;
}

void TChartBase::MoveTo(double x, double y) { Append(ikMoveTo, x, y); }

void TChartBase::DrawTo(double x, double y) { Append(ikDrawTo, x, y); }

void TChartBase::Line(double x1, double y1, double x2, double y2) {
  TDrawItem& item = Append(ikLine, x1, y1);
  item.m_x2 = x2;
  item.m_y2 = y2;
}

void TChartBase::Mark(double x, double y, Byte markKind) {
  Append(ikMark, x, y).m_markKind = markKind;
}

void TChartBase::Redraw() { update(); }

const TDrawItem* TChartBase::FirstItem() const { return m_items.empty() ? nullptr : &m_items.front(); }

const TDrawItem* TChartBase::NextItem(const TDrawItem* item) const {
  if (item == nullptr || item->m_index + 1 >= m_items.size() || &m_items[item->m_index] != item)
    return nullptr;
  return &m_items[item->m_index + 1];
}

void TChartBase::SetItemClass(const TDrawItem* item, Byte cls) {
  if (item == nullptr || item->m_index >= m_items.size() || &m_items[item->m_index] != item) return;
  m_items[item->m_index].m_class = cls;
  update();
}

QRect TChartBase::PlotArea() const {
  const auto& s = m_settings;
  return QRect(QPoint(s.LRim, s.TRim), QPoint(width() - 1 - s.RRim, height() - 1 - s.BRim));
}

QPointF TChartBase::ToPixel(double x, double y) const {
  const auto& s = m_settings;
  const QRect area = PlotArea();
  const double spanX = std::max(s.RangeHiX - s.RangeLoX, s.MinRangeX);
  const double spanY = std::max(s.RangeHiY - s.RangeLoY, s.MinRangeY);
  return {area.left() + (x - s.RangeLoX) / spanX * (area.width() - 1),
          area.bottom() - (y - s.RangeLoY) / spanY * (area.height() - 1)};
}

void TChartBase::paintEvent(QPaintEvent*) {
  const auto& s = m_settings;
  QPainter p(this);
  const QRect area = PlotArea();
  const QFontMetrics fm(font());

  // Background of the control and of the plotting area, and the outline just outside the latter.
  p.fillRect(rect(), s.WindColor.isValid() ? s.WindColor : palette().color(QPalette::Window));
  if (area.isEmpty()) return;
  p.fillRect(area, s.ChartColor);
  p.setPen(QPen(s.ScaleColor, 1));
  const int l = area.left() - 1, r = area.right() + 1, t = area.top() - 1, b = area.bottom() + 1;
  p.drawLine(l, t, r, t);
  p.drawLine(r, t, r, b);
  p.drawLine(r, b, l, b);
  p.drawLine(l, b, l, t);

  // Time axis along the bottom: ticks below the outline, labels under them, the title centred below.
  const double stepX = TickStep(s.RangeHiX - s.RangeLoX, s.MinTickX);
  const int labelTopX = b + LongTick + LabelGap;
  if (stepX > 0.0) {
    if (s.ShortTicksX)
      for (double v : Multiples(s.RangeLoX, s.RangeHiX, stepX / ShortTickDivisions(stepX), false)) {
        const int px = qRound(ToPixel(v, s.RangeLoY).x());
        p.drawLine(px, b + 1, px, b + ShortTick);
      }
    for (double v : Multiples(s.RangeLoX, s.RangeHiX, stepX, false)) {
      const int px = qRound(ToPixel(v, s.RangeLoY).x());
      p.setPen(QPen(s.ScaleColor, 1));
      p.drawLine(px, b + 1, px, b + LongTick);
      const QString text = QString::number(v, 'f', s.DecPlaceX);
      const int w = fm.horizontalAdvance(text);
      p.setPen(s.FontColor);
      p.drawText(QRect(px - w / 2 - 1, labelTopX, w + 2, fm.height()), Qt::AlignCenter, text);
    }
  }
  p.setPen(s.FontColor);
  p.drawText(QRect(area.left(), labelTopX + fm.height(), area.width(), fm.height()),
             Qt::AlignHCenter | Qt::AlignTop, s.IdAbscissa);

  // Fluorescence axis on the left: ticks left of the outline, labels right-aligned beside them.
  const double stepY = TickStep(s.RangeHiY - s.RangeLoY, s.MinTickY);
  if (stepY > 0.0) {
    p.setPen(QPen(s.ScaleColor, 1));
    if (s.ShortTicksY)
      for (double v : Multiples(s.RangeLoY, s.RangeHiY, stepY / ShortTickDivisions(stepY), false)) {
        const int py = qRound(ToPixel(s.RangeLoX, v).y());
        p.drawLine(l - 1, py, l - ShortTick, py);
      }
    for (double v : Multiples(s.RangeLoY, s.RangeHiY, stepY, false)) {
      const int py = qRound(ToPixel(s.RangeLoX, v).y());
      p.setPen(QPen(s.ScaleColor, 1));
      p.drawLine(l - 1, py, l - LongTick, py);
      const QString text = QString::number(v, 'f', s.DecPlaceY);
      const int right = l - LongTick - LabelGap;
      p.setPen(s.FontColor);
      p.drawText(QRect(0, py - fm.height() / 2, right, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                 text);
    }
  }

  // The ordinate title just above the plotting area from its left edge; a caption centred over it.
  p.setPen(s.FontColor);
  const QRect topBand(area.left(), 0, width() - area.left(), t);
  p.drawText(topBand, Qt::AlignLeft | Qt::AlignBottom, s.IdOrdinate);
  if (!s.Caption.isEmpty())
    p.drawText(QRect(0, 0, width(), t), Qt::AlignHCenter | Qt::AlignBottom, s.Caption);

  // Grid and items stay inside the plotting area.
  p.setClipRect(area);
  if (s.GridStyle != gsNone) {
    const std::vector<double> gx = Multiples(s.RangeLoX, s.RangeHiX, s.GridDx, true);
    const std::vector<double> gy = Multiples(s.RangeLoY, s.RangeHiY, s.GridDy, true);
    p.setPen(QPen(s.GridColor, 1));
    if (s.GridStyle == gsPoints) {
      for (double x : gx)
        for (double y : gy) p.drawPoint(ToPixel(x, y).toPoint());
    } else {
      for (double x : gx) {
        const int px = qRound(ToPixel(x, 0.0).x());
        p.drawLine(px, area.top(), px, area.bottom());
      }
      for (double y : gy) {
        const int py = qRound(ToPixel(0.0, y).y());
        p.drawLine(area.left(), py, area.right(), py);
      }
    }
  }

  // Segments are cut to a margin around the plotting area before they reach the painter, so that
  // points far outside the ranges cost nothing; the clip rectangle does the exact cut.
  const QRectF cutRect = QRectF(area).adjusted(-4, -4, 4, 4);
  auto segment = [&](QPointF a, QPointF c) {
    if (ClipSegment(a, c, cutRect)) p.drawLine(a, c);
  };
  std::optional<QPointF> pen;
  for (const TDrawItem& item : m_items) {
    const bool visible = m_visible.test(item.Class());
    const QPointF at = ToPixel(item.X(), item.Y());
    if (visible) {
      QPen qpen(item.Color(), item.LineWidth(), item.PenStyle());
      p.setPen(qpen);
      p.setBrush(Qt::NoBrush);
    }
    switch (item.Kind()) {
      case ikMoveTo:
        pen = at;
        break;
      case ikDrawTo:
        if (visible && pen) segment(*pen, at);
        pen = at;
        break;
      case ikLine:
        if (visible) segment(at, ToPixel(item.X2(), item.Y2()));
        break;
      case ikMark:
        if (visible && cutRect.contains(at)) DrawMark(p, at, item.MarkKind());
        break;
    }
  }
}
