#pragma once
// WinRChart: the system's chart component, the chart platform with the system's own operations.

#include <QColor>
#include <QString>

#include "chart_base.h"

class WinRChart : public TChartBase {
  Q_OBJECT

 public:
  // Class of auxiliary items: the dashes of DrawDotted; the x searches skip it.
  static constexpr Byte AuxClass = 255;

  explicit WinRChart(QWidget* parent = nullptr);

  // Redraws the chart from its drawing list.
  void Show();
  // Empties the drawing list.
  void clearIt();
  // Appends a line from (x1, y1) to (x2, y2).
  void Draw(double x1, double y1, double x2, double y2);
  // Appends 20 dashes of class 255 over the x distance, each a fortieth of it, each followed by a
  // gap of the same width; every dash runs from height y1 to height y2.
  void DrawDotted(double x1, double y1, double x2, double y2);
  // Appends the four sides of the rectangle (x1, y1)-(x2, y2) in the given colour; the colour of
  // later items stays what it was.
  void Frame(const QColor& colour, double x1, double y1, double x2, double y2);
  // Appends a mark of the given kind at (x, y) and gives it the class cls.
  void MarkAtClass(double x, double y, Byte markKind, Byte cls);
  // The most recently appended item; nullptr when the drawing list is empty.
  const TDrawItem* LastItem() const;
  // The item with the smallest x below 1e30, or the largest x above 1e-30, by the first point of
  // each item and skipping class 255; the earliest of equals; nullptr when there is none.
  const TDrawItem* FindminXItemReal() const;
  const TDrawItem* FindmaxXItemReal() const;
  // Sets the colour of items appended afterwards.
  void setColor(const QColor& colour);
  // 1 scale colour, 2 plotting area colour, 3 font colour, 4 data colour; anything else black.
  QColor getCol(Byte which) const;
  // 1 RangeLoX, 2 RangeLoY, 3 RangeHiX, 4 RangeHiY; anything else 0.
  double GetRange(int which) const;
  // Sets the chart's caption.
  void SetTitle(const QString& text);
  // No grid.
  void ResetGrid();
  // Full grid lines in gray. The spacing stays as it is: dx and dy are not applied.
  void SetGrid(double dx, double dy);
};
