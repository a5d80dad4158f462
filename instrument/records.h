#pragma once
// Measurement records: download from instrument memory, decoding, derived values and the texts of
// the record table (which are also the fields of the CSV file).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "typen.h"

class TUniCtrl;

struct MeasurementRecord {
  Byte RecNo = 0;
  std::array<Byte, 3> DateBytes{};
  std::array<Byte, 3> TimeBytes{};
  std::uint16_t FtRaw = 0;
  std::uint16_t FmRaw = 0;
  Byte ML = 0;  // 0 to 127
  bool MLFlag = false;
  Byte AL = 0;
  Byte FR = 0;
  Byte ZoffRaw = 0;

  // Derived values (doubles, for plotting and checks; the texts come from exact integers).
  double Ft() const;
  double Fm() const;
  double Yield() const;
  int PAR() const;
  double ETR() const;
  double Zoff() const;

  // Decodes the two memory lines of a record.
  static MeasurementRecord FromLines(const std::array<Byte, 8>& first, const std::array<Byte, 8>& second);
};

inline constexpr int RecordColumns = 12;
using RecordRow = std::array<std::string, RecordColumns>;

// Headings of the record table, columns 0 to 11.
extern const RecordRow RecordHeadings;

double RawToF(int n);

// Integer right-aligned with leading blanks to width characters; never cut.
std::string IntText(long long value, int width);
// The exact value num / den rounded to decimals places, halves away from zero, right-aligned with
// leading blanks to width characters; never cut.
std::string RatioText(long long num, long long den, int width, int decimals);

// The twelve texts of one record, in column order.
RecordRow RecordTexts(const MeasurementRecord& r);

struct RecordDownload {
  int Count = 0;
  std::vector<RecordRow> Rows;
  std::vector<MeasurementRecord> Records;
};

// Reads the record count and every record from the connected instrument.
RecordDownload DownloadRecords(TUniCtrl& ctrl);
