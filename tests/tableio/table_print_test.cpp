// The record table's printed pages, printed to PDF and read back with the poppler tools: where
// each text stands (pdftotext -bbox gives every word's box in points), the page texts, the
// orientation, the fonts and the errors of a printer that cannot be used.
#include "table_print.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const QStringList kHeadings = {"No.", "Date", "Time", "ML", "AL", "PAR",
                               "Ft", "Fm'", "Yield", "ETR", "FR", "Zoff"};

QStringList Record(int k) {
  return {QString::number(k), "19.06.03", QStringLiteral("15:%1:42").arg(k % 60, 2, 10, QChar('0')),
          " 5", " 3", " 119", "0.500", "1.000", "0.500", " 25.0", " 7", "0.120"};
}

QList<QStringList> Table(int records) {
  QList<QStringList> rows{kHeadings};
  for (int k = 1; k <= records; ++k) rows.append(Record(k));
  return rows;
}

constexpr double kMarginMm = 10;
double MmToPt(double mm) { return mm * 72.0 / 25.4; }

struct Word {
  QString text;
  double x0, y0, x1, y1;  // points from the page's top-left corner
};
struct Page {
  double width = 0, height = 0;
  QList<Word> words;
};

QString RunTool(const char* program, const QStringList& args) {
  QProcess p;
  p.start(QString::fromLocal8Bit(program), args);
  if (!p.waitForFinished(120000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}

QList<Page> ReadPages(const QString& pdf) {
  const QString html = RunTool(QELT_PDFTOTEXT, {"-bbox", pdf, "-"});
  static const QRegularExpression tag(
      R"re(<page width="([\d.]+)" height="([\d.]+)">|<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  QList<Page> pages;
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (!m.captured(1).isEmpty()) {
      pages.append({m.captured(1).toDouble(), m.captured(2).toDouble(), {}});
    } else if (!pages.isEmpty()) {
      QString text = m.captured(7);
      text.replace("&apos;", "'").replace("&amp;", "&");
      pages.last().words.append({text, m.captured(3).toDouble(), m.captured(4).toDouble(),
                                 m.captured(5).toDouble(), m.captured(6).toDouble()});
    }
  }
  return pages;
}

const Word* Find(const Page& page, const QString& text) {
  for (const Word& w : page.words)
    if (w.text == text) return &w;
  return nullptr;
}

// Device pixels of the printer in points.
double PxToPt(const QPrinter& printer, double px) { return px * 72.0 / printer.resolution(); }

class TablePrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    m_saved_separator = DateSeparator;
    DateSeparator = '/';
    SetPcClock([] {
      PcTime t;
      t.Year = 2025, t.Month = 12, t.Day = 10, t.Hour = 14, t.Minute = 5, t.Second = 33;
      return t;
    });
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    m_printer.setOutputFileName(m_tmp.filePath("table.pdf"));
    m_printer.setPageSize(QPageSize(QPageSize::A4));
    m_printer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                             QPageLayout::Millimeter);
  }
  void TearDown() override {
    SetPcClock({});
    DateSeparator = m_saved_separator;
  }
  QList<Page> Print(const QList<QStringList>& rows) {
    PrintTable(m_printer, rows);
    return ReadPages(m_printer.outputFileName());
  }
  // Footer words lie below this line, rows above it (the footer reserve is some 17 mm).
  double FooterTop() const { return Area().bottom() - MmToPt(16); }
  // The printable area in points of the page, as the printer has it (Qt rounds the margins).
  QRectF Area() const { return m_printer.pageLayout().paintRect(QPageLayout::Point); }

  QTemporaryDir m_tmp;
  QPrinter m_printer{QPrinter::HighResolution};
  char m_saved_separator = '.';
};

TEST(PageTextTest, NumberCountAndBand) {
  const struct {
    int page, pages, band, bands;
    const char* text;
  } cases[] = {
      {1, 1, 1, 1, "1"},   {1, 2, 1, 1, "1/2"}, {2, 2, 1, 1, "2/2"},
      {1, 1, 2, 2, "1-2"}, {3, 4, 2, 3, "3-2"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PageText(c.page, c.pages, c.band, c.bands), c.text)
        << c.page << " " << c.pages << " " << c.band << " " << c.bands;
}

TEST_F(TablePrintTest, HeadingRowAloneStandsWhereTheSettingsPutIt) {
  const QList<Page> pages = Print(Table(0));
  ASSERT_EQ(pages.size(), 1);
  const Page& page = pages[0];

  const QFontMetricsF cell(PrintCellFont(), &m_printer);
  const QFontMetricsF footer(PrintFooterFont(), &m_printer);
  const double left = Area().left() + MmToPt(25);
  const double a_width = PxToPt(m_printer, cell.horizontalAdvance("a"));
  const double blank = PxToPt(m_printer, footer.horizontalAdvance(" "));
  constexpr double tol = 0.25;

  // Cells: top 15 mm, first text one "a" right of 25 mm, each column its text plus 2 mm wide.
  const Word* no = Find(page, "No.");
  ASSERT_NE(no, nullptr);
  EXPECT_NEAR(no->x0, left + a_width, tol);
  EXPECT_NEAR(no->y0, Area().top() + MmToPt(15), tol);
  EXPECT_NEAR(no->y1 - no->y0, PxToPt(m_printer, cell.height()), tol);
  double x = no->x0;
  for (int c = 1; c < 12; ++c) {
    x += PxToPt(m_printer, cell.horizontalAdvance(kHeadings[c - 1])) + MmToPt(2);
    const Word* w = Find(page, kHeadings[c]);
    ASSERT_NE(w, nullptr) << kHeadings[c].toStdString();
    EXPECT_NEAR(w->x0, x, tol) << kHeadings[c].toStdString();
    EXPECT_NEAR(w->y0, no->y0, tol);
  }

  // Footer: " 1" from 25 mm, " 14:05 10/12/2025" centred, text bottom 10 mm plus an eighth of
  // the cell text height above the bottom edge.
  const Word* number = Find(page, "1");
  const Word* time = Find(page, "14:05");
  const Word* date = Find(page, "10/12/2025");
  ASSERT_TRUE(number && time && date);
  EXPECT_NEAR(number->x0, left + blank, tol);
  const double bottom = Area().bottom() - MmToPt(10) - PxToPt(m_printer, std::floor(cell.height() / 8));
  for (const Word* w : {number, time, date}) EXPECT_NEAR(w->y1, bottom, tol) << w->text.toStdString();
  EXPECT_NEAR((time->x0 - blank + date->x1) / 2, Area().center().x(), tol);
  EXPECT_EQ(page.words.size(), 12 + 3) << "nothing else on the page";

  // The substitutes of the two fonts are embedded, and nothing else.
  const QString fonts = RunTool(QELT_PDFFONTS, {m_printer.outputFileName()});
  const QStringList names = fonts.split('\n', Qt::SkipEmptyParts).mid(2);
  ASSERT_EQ(names.size(), 2) << fonts.toStdString();
  EXPECT_TRUE(names[0].startsWith("LiberationSerif-Bold ")) << fonts.toStdString();
  EXPECT_TRUE(names[1].startsWith("LiberationSans ")) << fonts.toStdString();
}

TEST_F(TablePrintTest, FooterDateFollowsTheDateSeparator) {
  for (const auto& [sep, text] : {std::pair{'/', "10/12/2025"}, std::pair{'-', "10-12-2025"}}) {
    DateSeparator = sep;
    EXPECT_EQ(FooterTimeDate(PcNow()), QString(" 14:05 ") + text);
    const QList<Page> pages = Print(Table(0));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_NE(Find(pages[0], text), nullptr) << text;
  }
}

TEST_F(TablePrintTest, LandscapeOnThePrinterStillPrintsPortrait) {
  m_printer.setPageOrientation(QPageLayout::Landscape);
  const QList<Page> pages = Print(Table(60));
  ASSERT_GE(pages.size(), 2);
  for (const Page& p : pages) {
    EXPECT_NEAR(p.width, 595, 1);
    EXPECT_NEAR(p.height, 842, 1);
  }
  EXPECT_EQ(m_printer.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST_F(TablePrintTest, FullMemoryPrintsEveryRowOnceAndFillsEachPageUpToTheFooter) {
  // A clock that moves on a minute at every read: each page's footer has a reading of its own.
  int reads = 0;
  SetPcClock([&reads] {
    PcTime t;
    t.Year = 2025, t.Month = 12, t.Day = 10, t.Hour = 14, t.Minute = 5 + reads++;
    return t;
  });
  const QList<QStringList> rows = Table(255);
  const QList<Page> pages = Print(rows);
  const int n = static_cast<int>(pages.size());
  ASSERT_GT(n, 1);
  EXPECT_EQ(reads, n);

  const QFontMetricsF cell(PrintCellFont(), &m_printer);
  const QFontMetricsF footer(PrintFooterFont(), &m_printer);
  const double row_height = PxToPt(m_printer, cell.height());
  const double reserve = MmToPt(10) + 2 * PxToPt(m_printer, footer.height() + std::floor(cell.height() / 8));
  const double col0_x = Area().left() + MmToPt(25) + PxToPt(m_printer, cell.horizontalAdvance("a"));
  const double col1_x = col0_x + PxToPt(m_printer, cell.horizontalAdvance("255")) + MmToPt(2);

  QStringList first_column;
  for (int k = 0; k < n; ++k) {
    SCOPED_TRACE(k + 1);
    const Page& page = pages[k];
    const double area_bottom = Area().bottom();
    double last_row_bottom = 0;
    QStringList footer_words;
    for (const Word& w : page.words) {
      if (w.y0 >= FooterTop()) {
        footer_words << w.text;
        continue;
      }
      if (std::abs(w.x0 - col0_x) < 0.25) first_column << w.text;
      if (w.text == "19.06.03") {
        EXPECT_NEAR(w.x0, col1_x, 0.25);
      }
      last_row_bottom = std::max(last_row_bottom, w.y1);
    }
    EXPECT_EQ(footer_words, (QStringList{QString("%1/%2").arg(k + 1).arg(n),
                                         QString("14:%1").arg(5 + k, 2, 10, QChar('0')), "10/12/2025"}));
    // Rows keep clear of the footer reserve; a page ends only when one more row would not.
    EXPECT_GT(last_row_bottom, 0) << "rows on the page";
    EXPECT_GE(area_bottom - last_row_bottom, reserve - 0.25);
    if (k + 1 < n) {
      EXPECT_LT(area_bottom - last_row_bottom - row_height, reserve);
    }
  }
  QStringList expected{"No."};
  for (int r = 1; r <= 255; ++r) expected << QString::number(r);
  EXPECT_EQ(first_column, expected) << "the headings on page 1 only, every record once, in order";
  EXPECT_EQ(n, LayoutTable(m_printer, rows).PageCount());
}

TEST_F(TablePrintTest, ColumnsTooWideForThePageGoInBandsOfWholeColumns) {
  QList<QStringList> rows = Table(70);
  for (int c = 0; c < 12; ++c) rows[1][c] = QString("WIDE%1WIDEWIDE").arg(c);
  const TablePrintLayout layout = LayoutTable(m_printer, rows);
  const int bands = static_cast<int>(layout.bands.size());
  const int per_band = static_cast<int>(layout.pages.size());
  ASSERT_GT(bands, 1);
  ASSERT_GT(per_band, 1);

  const QList<Page> pages = Print(rows);
  ASSERT_EQ(pages.size(), bands * per_band);
  QStringList headings_seen;
  for (int b = 0; b < bands; ++b) {
    for (int p = 0; p < per_band; ++p) {
      const Page& page = pages[b * per_band + p];
      SCOPED_TRACE(QString("band %1 page %2").arg(b + 1).arg(p + 1).toStdString());
      const Word* page_text = Find(page, QString("%1-%2").arg(p + 1).arg(b + 1));
      ASSERT_NE(page_text, nullptr);
      EXPECT_GE(page_text->y0, FooterTop());
      QStringList headings_here;
      for (const Word& w : page.words) {
        if (kHeadings.contains(w.text)) headings_here << w.text;
        EXPECT_LE(w.x1, Area().right() + 0.25) << w.text.toStdString();
      }
      // Row 0 opens the first page of each band, with exactly that band's columns.
      if (p == 0) {
        EXPECT_EQ(headings_here, kHeadings.mid(layout.bands[b].first, layout.bands[b].count));
        headings_seen << headings_here;
      } else {
        EXPECT_TRUE(headings_here.isEmpty());
      }
    }
  }
  EXPECT_EQ(headings_seen, kHeadings) << "every column printed once, bands left to right";
}

TEST_F(TablePrintTest, PaperTooSmallForTheFooterStillPrintsEveryRow) {
  m_printer.setPageSize(QPageSize(QSizeF(60, 30), QPageSize::Millimeter));
  m_printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  const QList<QStringList> rows = Table(4);
  const TablePrintLayout layout = LayoutTable(m_printer, rows);
  ASSERT_EQ(layout.pages.size(), 5);
  for (int r = 0; r < 5; ++r) EXPECT_EQ(layout.pages[r].first, r);
  EXPECT_EQ(Print(rows).size(), 5 * layout.bands.size());
}

TEST_F(TablePrintTest, PrinterThatCannotBeUsedThrowsAndPrintsNothing) {
  const struct {
    const char* name;
    QString file;
  } cases[] = {
      {"output folder missing", m_tmp.filePath("missing/table.pdf")},
      {"no output file", QString()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_printer.setOutputFileName(c.file);
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    try {
      PrintTable(m_printer, Table(3));
      ADD_FAILURE() << "no PrintError";
    } catch (const PrintError& e) {
      EXPECT_STRNE(e.what(), "");
    }
    EXPECT_TRUE(QDir(m_tmp.path()).isEmpty());
  }
}

}  // namespace
