#pragma once
// The record table. Row 0 is the fixed heading row (the table's header, so it stays in view when
// the records scroll); rows 1 and on hold the records. Row and column numbers count the heading row.

#include <QList>
#include <QStringList>
#include <QTableWidget>

class TMemGrid : public QTableWidget {
  Q_OBJECT

 public:
  static constexpr int Columns = 12;
  static constexpr int InitialRows = 512;
  static constexpr int RowHeight = 21;
  static constexpr int DefaultColWidth = 64;

  explicit TMemGrid(QWidget* parent = nullptr);

  // Rows in all, the heading row included.
  int RowCount() const { return rowCount() + 1; }
  void SetRowCount(int rows);

  QString Cell(int column, int row) const;
  void SetCell(int column, int row, const QString& text);
  int ColWidth(int column) const { return columnWidth(column); }
  void SetColWidth(int column, int width) { setColumnWidth(column, width); }

  // Every row's texts, the heading row first; an empty cell is an empty text.
  QList<QStringList> Texts() const;
};
