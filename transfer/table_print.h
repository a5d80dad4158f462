#pragma once
// The printed pages of the record table.
//
// Every length of the page layout is given in tenths of a millimetre from the edges of the
// printer's printable area; the layout works in the printer's device pixels.

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

#include "zeit.h"

class QPrinter;

// A printer that cannot be used; nothing has been printed when it is thrown.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Print settings of the record table, in tenths of a millimetre.
inline constexpr int PrintHeaderSize = 150;  // top of the first row on every page
inline constexpr int PrintFooterSize = 100;  // bottom band of every page held for the footer
inline constexpr int PrintLeftSize = 250;    // left edge of the first column and the footer text
inline constexpr int PrintColumnExtra = 20;  // added to every column's widest text
inline constexpr int PrintColumnCount = 12;

// Cell font: "Times New Roman" bold 12 pt, or Liberation Serif where it is not installed.
QFont PrintCellFont();
// Footer font: "MS Sans Serif" 8 pt, or Liberation Sans where it is not installed.
QFont PrintFooterFont();

// Where everything goes, in device pixels of the printer it was laid out for.
struct TablePrintLayout {
  struct Span {
    int first = 0;
    int count = 0;
  };
  QList<double> columnWidths;  // one per column
  QList<Span> bands;           // columns printed across one page, left to right
  QList<Span> pages;           // rows of each page of a band; every band splits its rows alike
  double rowHeight = 0;        // one text line of the cell font
  double cellInset = 0;        // width of "a" in the cell font
  double left = 0;             // x of the first column of every band
  double top = 0;              // y of the first row of every page
  double footerBottom = 0;     // y of the footer text's bottom edge
  double pageWidth = 0;        // printable area
  double pageHeight = 0;

  int PageCount() const { return static_cast<int>(bands.size() * pages.size()); }
};

// Lays the table out for the printer as it is now set (orientation, paper, resolution).
TablePrintLayout LayoutTable(QPrinter& printer, const QList<QStringList>& rows);

// Page text at the left of the footer: "n/N", "n" when the table takes a single page, and
// "n-b" (page within the band, band number) when the columns take several bands.
QString PageText(int page, int pagesPerBand, int band, int bandCount);

// Middle of the footer: a blank, the time as hh:nn, a blank, the date as dd/mm/yyyy joined by
// DateSeparator.
QString FooterTimeDate(const PcTime& t);

// Prints the table (row 0 the headings) on the printer, in portrait whatever orientation the
// printer had: all rows, all twelve columns, in bands of whole columns when they do not fit
// across, with page text, time and date in every footer. Throws PrintError when the printer
// cannot be used.
void PrintTable(QPrinter& printer, const QList<QStringList>& rows);
