#pragma once
// The chart platform of the kinetics window: a widget with fixed axis ranges, numeric tick labels,
// axis titles, a grid, colours and an ordered drawing list of move-to, draw-to, line and mark items,
// painted with QPainter. WinRChart adds the system's own operations on top of it.

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

#include <bitset>
#include <cstddef>
#include <deque>

#include "typen.h"

// Colours of the chart settings, as the window framework names them.
inline const QColor clBlack{0, 0, 0};
inline const QColor clAqua{0, 255, 255};
inline const QColor clRed{255, 0, 0};
inline const QColor clGray{128, 128, 128};

enum TGridStyle { gsNone, gsPoints, gsLines };
enum TXAxisPos { xapBottom, xapTop };
enum TYAxisPos { yapLeft, yapRight };
enum TLabelType { ftNum };
enum TMouseAction { maNone };
enum TCrossHairMode { chOff };

// Every setting that shapes the picture. The defaults are those of the kinetics chart.
struct TChartSettings {
  int LRim = 30;
  int RRim = 1;
  int TRim = 14;
  int BRim = 45;
  double RangeLoX = -0.02;
  double RangeHiX = 1.05;
  double RangeLoY = 0.0;
  double RangeHiY = 2.05;
  TGridStyle GridStyle = gsPoints;
  double GridDx = 0.2;
  double GridDy = 0.5;
  QColor GridColor = clBlack;
  QColor ChartColor = clAqua;
  QColor ScaleColor = clBlack;
  QColor WindColor;  // invalid: the colour of the window the chart sits in
  QColor FontColor = clBlack;
  QColor DataColor = clBlack;
  Qt::PenStyle PenStyle = Qt::SolidLine;
  int LineWidth = 1;
  QString IdAbscissa = QStringLiteral("Time, sec.");
  QString IdOrdinate = QStringLiteral("F rel. units");
  QString Caption;
  TXAxisPos XAxisPos = xapBottom;
  TYAxisPos YAxisPos = yapLeft;
  bool ClassicLayout = true;
  TLabelType XLabelType = ftNum;
  TLabelType YLabelType = ftNum;
  int DecPlaceX = 1;
  int DecPlaceY = 1;
  int MinTickX = 2;
  int MinTickY = 3;
  bool ShortTicksX = true;
  bool ShortTicksY = true;
  bool LogScaleX = false;
  bool LogScaleY = false;
  bool Isometric = false;
  TMouseAction MouseAction = maNone;
  TCrossHairMode CrossHair[4] = {chOff, chOff, chOff, chOff};
  int ShadowWidth = 0;
  bool AutoRedraw = true;
  Byte ClassDefault = 0;
  double MinRangeX = 1e-10;
  double MinRangeY = 1e-10;
};

enum TItemKind { ikMoveTo, ikDrawTo, ikLine, ikMark };

// One entry of the drawing list. Colour, pen and class are copied from the chart's settings when the
// item is appended; only the class can change afterwards (TChartBase::SetItemClass).
class TDrawItem {
 public:
  TItemKind Kind() const { return m_kind; }
  double X() const { return m_x; }
  double Y() const { return m_y; }
  double X2() const { return m_x2; }  // end point of a line
  double Y2() const { return m_y2; }
  Byte MarkKind() const { return m_markKind; }
  const QColor& Color() const { return m_color; }
  Qt::PenStyle PenStyle() const { return m_penStyle; }
  int LineWidth() const { return m_lineWidth; }
  Byte Class() const { return m_class; }

 private:
  friend class TChartBase;
  std::size_t m_index = 0;  // place in the list, for walking it
  TItemKind m_kind = ikMoveTo;
  double m_x = 0.0;
  double m_y = 0.0;
  double m_x2 = 0.0;
  double m_y2 = 0.0;
  Byte m_markKind = 0;
  QColor m_color;
  Qt::PenStyle m_penStyle = Qt::SolidLine;
  int m_lineWidth = 1;
  Byte m_class = 0;
};

class TChartBase : public QWidget {
  Q_OBJECT

 public:
  explicit TChartBase(QWidget* parent = nullptr);

  // Settings.
  const TChartSettings& Settings() const { return m_settings; }
  void SetSettings(const TChartSettings& settings);
  void SetDataColor(const QColor& colour);
  void SetGridStyle(TGridStyle style);
  void SetGridColor(const QColor& colour);
  void SetCaption(const QString& caption);
  // Items of an invisible class are kept but not drawn; every class starts visible.
  void SetClassVisible(Byte cls, bool visible);
  bool ClassVisible(Byte cls) const { return m_visible.test(cls); }

  // Empties the drawing list; the next paint shows a blank plotting area.
  void Clear();
  // Appending. Items stay where they are in memory until the next Clear, so a pointer to an item
  // remains valid while further items are appended.
  void MoveTo(double x, double y);
  void DrawTo(double x, double y);
  void Line(double x1, double y1, double x2, double y2);
  void Mark(double x, double y, Byte markKind);
  // Repaints the whole chart from its drawing list.
  void Redraw();

  // Walking the drawing list in order.
  bool IsEmpty() const { return m_items.empty(); }
  std::size_t ItemCount() const { return m_items.size(); }
  const TDrawItem* FirstItem() const;
  const TDrawItem* NextItem(const TDrawItem* item) const;
  void SetItemClass(const TDrawItem* item, Byte cls);

  // The plotting area in widget pixels (inside the outline) and the pixel of a point in axis units.
  QRect PlotArea() const;
  QPointF ToPixel(double x, double y) const;

  QSize sizeHint() const override { return {223, 273}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TDrawItem& Append(TItemKind kind, double x, double y);

  TChartSettings m_settings;
  std::deque<TDrawItem> m_items;
  std::bitset<256> m_visible;
};

// The tick step of an axis: the largest 1, 2 or 5 times a power of ten not above range / minTicks.
double TickStep(double range, int minTicks);
