#include "records.h"

#include "misc.h"
#include "uni_ctrl.h"

const RecordRow RecordHeadings = {"No.", "Date", "Time", "ML", "AL", "PAR", "Ft", "Fm'", "Yield", "ETR", "FR", "Zoff"};

namespace {

// Ft, Fm and Zoff are raw counts times 0.000625 = 625 / 1000000.
constexpr long long kCountNum = 625;
constexpr long long kCountDen = 1000000;

std::string PadLeft(std::string text, int width) {
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

}  // namespace

double RawToF(int n) { return n * 0.000625; }

double MeasurementRecord::Ft() const { return RawToF(FtRaw); }
double MeasurementRecord::Fm() const { return RawToF(FmRaw); }
double MeasurementRecord::Yield() const {
  const double ft = Ft(), fm = Fm();
  return (fm > 0 && ft < fm) ? (fm - ft) / fm : 0.0;
}
int MeasurementRecord::PAR() const { return TUniCtrl::CalcPAR(AL, ML, MLFlag); }
double MeasurementRecord::ETR() const { return PAR() * Yield() * 0.42; }
double MeasurementRecord::Zoff() const { return RawToF(16 * ZoffRaw); }

MeasurementRecord MeasurementRecord::FromLines(const std::array<Byte, 8>& first, const std::array<Byte, 8>& second) {
  MeasurementRecord r;
  r.RecNo = first[0];
  r.DateBytes = {first[1], first[2], first[3]};
  r.TimeBytes = {first[4], first[5], first[6]};
  r.FtRaw = static_cast<std::uint16_t>(256 * second[0] + second[1]);
  r.FmRaw = static_cast<std::uint16_t>(256 * second[2] + second[3]);
  r.ML = second[4] & 0x7F;
  r.MLFlag = (second[4] & 0x80) != 0;
  r.AL = second[5];
  r.FR = second[6];
  r.ZoffRaw = second[7];
  return r;
}

std::string IntText(long long value, int width) { return PadLeft(std::to_string(value), width); }

std::string RatioText(long long num, long long den, int width, int decimals) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const bool negative = num < 0;
  if (negative) num = -num;
  long long scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  // num / den in units of 10^-decimals, halves rounded away from zero.
  const long long q = (2 * num * scale + den) / (2 * den);
  std::string text = std::to_string(q / scale);
  if (decimals > 0) {
    std::string frac = std::to_string(q % scale);
    text += '.' + std::string(static_cast<size_t>(decimals) - frac.size(), '0') + frac;
  }
  if (negative && q != 0) text.insert(0, 1, '-');
  return PadLeft(text, width);
}

RecordRow RecordTexts(const MeasurementRecord& r) {
  const long long ft = r.FtRaw, fm = r.FmRaw;
  const long long par = r.PAR();
  const bool yields = fm > 0 && ft < fm;
  RecordRow row;
  row[0] = IntText(r.RecNo, 0);
  row[1] = ByteToHex(r.DateBytes[0]) + "." + ByteToHex(r.DateBytes[1]) + "." + ByteToHex(r.DateBytes[2]);
  row[2] = ByteToHex(r.TimeBytes[0]) + ":" + ByteToHex(r.TimeBytes[1]) + ":" + ByteToHex(r.TimeBytes[2]);
  row[3] = IntText(r.ML, 2);
  row[4] = IntText(r.AL, 2);
  row[5] = RatioText(par, 1, 4, 0);
  row[6] = RatioText(ft * kCountNum, kCountDen, 5, 3);
  row[7] = RatioText(fm * kCountNum, kCountDen, 5, 3);
  // Yield = (Fm - Ft) / Fm: the scale of the counts cancels. ETR = PAR x Yield x 42/100.
  row[8] = yields ? RatioText(fm - ft, fm, 5, 3) : RatioText(0, 1, 5, 3);
  row[9] = yields ? RatioText(par * (fm - ft) * 42, fm * 100, 5, 1) : RatioText(0, 1, 5, 1);
  row[10] = IntText(r.FR, 2);
  row[11] = RatioText(16LL * r.ZoffRaw * kCountNum, kCountDen, 5, 3);
  return row;
}

RecordDownload DownloadRecords(TUniCtrl& ctrl) {
  RecordDownload d;
  ctrl.SetAddress(MemoryMap::RecordCountLine);
  d.Count = ctrl.ReadAt(0);
  ctrl.SetAddress(MemoryMap::FirstRecordLine);
  d.Rows.reserve(static_cast<size_t>(d.Count));
  d.Records.reserve(static_cast<size_t>(d.Count));
  for (int k = 1; k <= d.Count; ++k) {
    std::array<Byte, 8> first{}, second{};
    for (Byte cell = 0; cell <= 6; ++cell) first[cell] = ctrl.ReadAt(cell);
    ctrl.ReadNext();
    for (Byte cell = 0; cell <= 4; ++cell) second[cell] = ctrl.ReadAt(cell);
    second[6] = ctrl.ReadAt(6);
    second[5] = ctrl.ReadAt(5);
    second[7] = ctrl.ReadAt(7);
    ctrl.ReadNext();
    d.Records.push_back(MeasurementRecord::FromLines(first, second));
    d.Rows.push_back(RecordTexts(d.Records.back()));
  }
  return d;
}
