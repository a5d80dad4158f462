#include "mem_grid.h"

#include <QHeaderView>

TMemGrid::TMemGrid(QWidget* parent) : QTableWidget(InitialRows - 1, Columns, parent) {
  setObjectName("MemGrid");
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setFocusPolicy(Qt::NoFocus);  // out of the Tab order
  setSelectionMode(QAbstractItemView::NoSelection);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);

  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(RowHeight);

  QHeaderView* heading = horizontalHeader();
  heading->setSectionsClickable(false);
  heading->setSectionResizeMode(QHeaderView::Fixed);
  heading->setHighlightSections(false);
  heading->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  heading->setMinimumSectionSize(1);
  heading->setFixedHeight(RowHeight);
  QFont headingFont("Liberation Sans");
  headingFont.setStyleHint(QFont::SansSerif);
  headingFont.setPixelSize(11);
  heading->setFont(headingFont);
  for (int c = 0; c < Columns; ++c) {
    setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
    setColumnWidth(c, DefaultColWidth);
  }
}

void TMemGrid::SetRowCount(int rows) { setRowCount(rows > 1 ? rows - 1 : 0); }

QString TMemGrid::Cell(int column, int row) const {
  const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
  return cell ? cell->text() : QString();
}

void TMemGrid::SetCell(int column, int row, const QString& text) {
  if (row == 0) {
    horizontalHeaderItem(column)->setText(text);
    return;
  }
  if (QTableWidgetItem* cell = item(row - 1, column)) {
    cell->setText(text);
  } else {
    setItem(row - 1, column, new QTableWidgetItem(text));
  }
}

QList<QStringList> TMemGrid::Texts() const {
  QList<QStringList> rows;
  rows.reserve(RowCount());
  for (int r = 0; r < RowCount(); ++r) {
    QStringList texts;
    texts.reserve(Columns);
    for (int c = 0; c < Columns; ++c) texts.append(Cell(c, r));
    rows.append(texts);
  }
  return rows;
}
