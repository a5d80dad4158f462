#include "table_print.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace {

// Tenths of a millimetre in the printer's device pixels.
double Px(const QPrinter& printer, int tenths_mm) { return tenths_mm * printer.resolution() / 254.0; }

QString Cell(const QStringList& row, int col) { return col < row.size() ? row[col] : QString(); }

// What the printer stands for, for the error messages.
QString Target(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat)
    return printer.outputFileName().isEmpty() ? QStringLiteral("no output file is set")
                                              : "file " + printer.outputFileName();
  return printer.printerName().isEmpty() ? QStringLiteral("no printer is installed")
                                         : "printer " + printer.printerName();
}

[[noreturn]] void Fail(const QString& what, const QPrinter& printer) {
  throw PrintError((what + " (" + Target(printer) + ")").toStdString());
}

}  // namespace

QFont PrintCellFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")});
  font.setPointSize(12);
  font.setBold(true);
  return font;
}

QFont PrintFooterFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
  font.setPointSize(8);
  return font;
}

TablePrintLayout LayoutTable(QPrinter& printer, const QList<QStringList>& rows) {
  const QFontMetricsF cell(PrintCellFont(), &printer);
  const QFontMetricsF footer(PrintFooterFont(), &printer);
  const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());

  TablePrintLayout l;
  l.pageWidth = area.width();
  l.pageHeight = area.height();
  l.rowHeight = cell.height();
  l.cellInset = cell.horizontalAdvance(QStringLiteral("a"));
  l.left = Px(printer, PrintLeftSize);
  l.top = Px(printer, PrintHeaderSize);
  const double cell_eighth = std::floor(l.rowHeight / 8);
  l.footerBottom = l.pageHeight - (Px(printer, PrintFooterSize) + cell_eighth);
  const double footer_reserve = Px(printer, PrintFooterSize) + 2 * (footer.height() + cell_eighth);

  // Columns: widest text of all printed rows plus 2 mm.
  for (int col = 0; col < PrintColumnCount; ++col) {
    double widest = 0;
    for (const QStringList& row : rows) widest = std::max(widest, cell.horizontalAdvance(Cell(row, col)));
    l.columnWidths.append(widest + Px(printer, PrintColumnExtra));
  }

  // Bands: as many whole columns as fit between the left margin and the right edge; a column
  // wider than that still gets a band of its own.
  for (int col = 0; col < PrintColumnCount;) {
    TablePrintLayout::Span band{col, 0};
    double x = l.left;
    while (col < PrintColumnCount && (band.count == 0 || x + l.columnWidths[col] <= l.pageWidth)) {
      x += l.columnWidths[col];
      ++band.count;
      ++col;
    }
    l.bands.append(band);
  }

  // Pages: rows follow each other until the next row's bottom would come closer to the bottom
  // edge than the footer reserve. Every page takes at least one row, so a paper too small for
  // the rule still prints every row instead of never finishing.
  int row = 0;
  do {
    TablePrintLayout::Span page{row, 0};
    double y = l.top;
    while (row < rows.size() &&
           (page.count == 0 || l.pageHeight - (y + l.rowHeight) >= footer_reserve)) {
      y += l.rowHeight;
      ++page.count;
      ++row;
    }
    l.pages.append(page);
  } while (row < rows.size());
  return l;
}

QString PageText(int page, int pagesPerBand, int band, int bandCount) {
  if (bandCount > 1) return QStringLiteral("%1-%2").arg(page).arg(band);
  if (pagesPerBand > 1) return QStringLiteral("%1/%2").arg(page).arg(pagesPerBand);
  return QString::number(page);
}

QString FooterTimeDate(const PcTime& t) {
  const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  const QChar date_sep = QLatin1Char(DateSeparator);
  return QLatin1Char(' ') + two(t.Hour) + QLatin1Char(TimeSeparator) + two(t.Minute) +
         QLatin1Char(' ') + two(t.Day) + date_sep + two(t.Month) + date_sep +
         QStringLiteral("%1").arg(t.Year, 4, 10, QLatin1Char('0'));
}

void PrintTable(QPrinter& printer, const QList<QStringList>& rows) {
  if (!printer.isValid())
    Fail(QStringLiteral("The printer cannot be used"), printer);

  printer.setPageOrientation(QPageLayout::Portrait);
  const TablePrintLayout l = LayoutTable(printer, rows);
  const QFont cell_font = PrintCellFont();
  const QFont footer_font = PrintFooterFont();
  const QFontMetricsF cell(cell_font, &printer);
  const QFontMetricsF footer(footer_font, &printer);

  QPainter painter;
  if (!painter.begin(&printer))
    Fail(QStringLiteral("The printer cannot be used"), printer);
  painter.setPen(Qt::black);

  const int band_count = static_cast<int>(l.bands.size());
  const int pages_per_band = static_cast<int>(l.pages.size());
  bool first_page = true;
  for (int b = 0; b < band_count; ++b) {
    const TablePrintLayout::Span band = l.bands[b];
    for (int p = 0; p < pages_per_band; ++p) {
      if (!first_page && !printer.newPage()) {
        painter.end();
        Fail(QStringLiteral("Printing failed"), printer);
      }
      first_page = false;

      painter.setFont(cell_font);
      const TablePrintLayout::Span page = l.pages[p];
      double y = l.top;
      for (int r = page.first; r < page.first + page.count; ++r) {
        double x = l.left;
        for (int c = band.first; c < band.first + band.count; ++c) {
          const QString text = Cell(rows[r], c);
          if (!text.isEmpty()) painter.drawText(QPointF(x + l.cellInset, y + cell.ascent()), text);
          x += l.columnWidths[c];
        }
        y += l.rowHeight;
      }

      // The footer's time and date are read from the PC clock as each page is finished.
      painter.setFont(footer_font);
      const double baseline = l.footerBottom - footer.descent();
      painter.drawText(QPointF(l.left, baseline),
                       QLatin1Char(' ') + PageText(p + 1, pages_per_band, b + 1, band_count));
      const QString time_date = FooterTimeDate(PcNow());
      painter.drawText(QPointF((l.pageWidth - footer.horizontalAdvance(time_date)) / 2, baseline),
                       time_date);
    }
  }
  if (!painter.end())
    Fail(QStringLiteral("Printing failed"), printer);
}
