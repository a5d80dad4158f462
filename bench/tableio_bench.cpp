// Times the two outputs of a full record table (255 records, 256 rows): writing the CSV file
// and laying out and printing the pages to PDF. Prints the median of several runs.
#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "csv_file.h"
#include "table_print.h"

namespace {

QList<QStringList> FullTable() {
  QList<QStringList> rows{{"No.", "Date", "Time", "ML", "AL", "PAR", "Ft", "Fm'", "Yield", "ETR", "FR", "Zoff"}};
  for (int k = 1; k <= 255; ++k) {
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    const int ft = 300 + (k * 37) % 700;
    const int fm = ft + 200 + (k * 53) % 900;
    rows.append({QString::number(k), two(1 + k % 28) + "." + two(1 + k % 12) + ".25",
                 two(8 + k / 30) + ":" + two(k % 60) + ":" + two((k * 7) % 60),
                 QStringLiteral("%1").arg(1 + k % 12, 2), QStringLiteral("%1").arg(k % 10, 2),
                 QStringLiteral("%1").arg(50 * (k % 20), 4),
                 QStringLiteral("%1").arg(ft / 1000.0, 5, 'f', 3),
                 QStringLiteral("%1").arg(fm / 1000.0, 5, 'f', 3),
                 QStringLiteral("%1").arg(double(fm - ft) / fm, 5, 'f', 3),
                 QStringLiteral("%1").arg(50 * (k % 20) * double(fm - ft) / fm * 0.42, 5, 'f', 1),
                 QStringLiteral("%1").arg(k % 16, 2), QStringLiteral("%1").arg((k % 90) / 1000.0, 5, 'f', 3)});
  }
  return rows;
}

double MedianMs(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  const QList<QStringList> rows = FullTable();

  const QString csv = dir.filePath("full.csv");
  WriteCsvFile(csv, rows);  // warm-up
  const double csv_ms = MedianMs(21, [&] { WriteCsvFile(csv, rows); });

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("full.pdf"));
  PrintTable(printer, rows);  // warm-up: fonts loaded once per process
  const int pages = LayoutTable(printer, rows).PageCount();
  const double print_ms = MedianMs(11, [&] { PrintTable(printer, rows); });

  std::printf("csv  : 256 rows, %lld bytes, median %.2f ms over 21 runs (target < 5 ms)\n",
              static_cast<long long>(QFileInfo(csv).size()), csv_ms);
  std::printf("print: 256 rows, %d pages to PDF, median %.1f ms over 11 runs (target < 300 ms)\n", pages,
              print_ms);
  return 0;
}
