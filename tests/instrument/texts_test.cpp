// The texts of the record table and the small conversions of the clock.
#include <gtest/gtest.h>

#include "misc.h"
#include "records.h"
#include "uni_ctrl.h"
#include "zeit.h"

namespace {

MeasurementRecord Record(int ftRaw, int fmRaw, int ml = 0, bool flag = false, int al = 0, int zoff = 0) {
  MeasurementRecord r;
  r.FtRaw = static_cast<std::uint16_t>(ftRaw);
  r.FmRaw = static_cast<std::uint16_t>(fmRaw);
  r.ML = static_cast<Byte>(ml);
  r.MLFlag = flag;
  r.AL = static_cast<Byte>(al);
  r.ZoffRaw = static_cast<Byte>(zoff);
  return r;
}

TEST(RecordTexts, NumberTextsFromExactValues) {
  enum Col { ML = 3, AL = 4, PAR = 5, Ft = 6, Fm = 7, Yield = 8, ETR = 9, Zoff = 11 };
  const struct {
    MeasurementRecord r;
    int column;
    const char* text;
  } cases[] = {
      {Record(4, 0), Ft, "0.003"},        // 0.0025: the half rounds up
      {Record(12, 0), Ft, "0.008"},       // 0.0075
      {Record(65535, 0), Ft, "40.959"},   // wider than 5: not cut
      {Record(16008, 0), Ft, "10.005"},   // exactly 10.005
      {Record(0, 2360), Fm, "1.475"},     // 1.475: doubles would give 1.47x
      {Record(3998, 4000), Yield, "0.001"},
      {Record(1, 2000), Yield, "1.000"},
      {Record(0, 1234), Yield, "1.000"},
      {Record(777, 777), Yield, "0.000"},
      {Record(777, 777, 5, true, 3), ETR, "  0.0"},
      {Record(900, 300), Yield, "0.000"},  // Ft above Fm
      {Record(0, 0), Yield, "0.000"},      // no Fm
      {Record(0, 0, 15, true, 0), PAR, "  27"},
      {Record(0, 0, 15, false, 0), PAR, "   0"},
      {Record(0, 0, 0, false, 200), PAR, "1850"},
      {Record(0, 0, 127, false, 11), ML, "127"},
      {Record(0, 0, 5), ML, " 5"},
      {Record(0, 0, 0, false, 255), AL, "255"},
      {Record(0, 0, 0, false, 0, 255), Zoff, "2.550"},
      {Record(0, 0, 0, false, 0, 12), Zoff, "0.120"},
      {Record(800, 1600, 15, true, 11), ETR, "394.2"},  // 1877 x 0.5 x 0.42 = 394.17
  };
  for (const auto& c : cases) {
    const RecordRow row = RecordTexts(c.r);
    EXPECT_EQ(row[static_cast<size_t>(c.column)], c.text)
        << "column " << c.column << " FtRaw " << c.r.FtRaw << " FmRaw " << c.r.FmRaw;
  }
}

TEST(RecordTexts, RatioTextRounding) {
  EXPECT_EQ(RatioText(5, 10, 0, 0), "1");         // 0.5 -> 1
  EXPECT_EQ(RatioText(1, 2, 5, 3), "0.500");     // at least one digit before the point
  EXPECT_EQ(RatioText(2499, 1000, 5, 1), "  2.5");
  EXPECT_EQ(RatioText(2449, 1000, 5, 1), "  2.4");
  EXPECT_EQ(RatioText(-25, 10, 0, 0), "-3");     // halves away from zero
  EXPECT_EQ(IntText(7, 2), " 7");
  EXPECT_EQ(IntText(255, 0), "255");
}

TEST(RecordTexts, CalcParTables) {
  EXPECT_EQ(TUniCtrl::CalcPAR(3, 5, false), 119);
  EXPECT_EQ(TUniCtrl::CalcPAR(11, 15, false), 1877);
  EXPECT_EQ(TUniCtrl::CalcPAR(0, 15, true), 27);
  EXPECT_EQ(TUniCtrl::CalcPAR(0, 127, false), 0);
  EXPECT_EQ(TUniCtrl::CalcPAR(200, 0, false), 1850);
  EXPECT_EQ(TUniCtrl::CalcPAR(1, 200, false), 77);
}

TEST(Conversions, HexAndBitOrder) {
  EXPECT_EQ(ByteToHex(0), "00");
  EXPECT_EQ(ByteToHex(0xA4), "A4");
  EXPECT_EQ(ByteToHex(10), "0A");
  EXPECT_EQ(HexToInt("59"), 0x59);
  EXPECT_EQ(HexToInt("ff"), 255);
  EXPECT_EQ(HexToInt(""), 0);
  EXPECT_EQ(HexToInt("G"), 0);    // above '9': (code - 55) mod 16
  EXPECT_EQ(HexToInt("1 "), 0);   // below '0': code - 48, here -16
  EXPECT_EQ(HexToInt(std::string(40, 'F')), -1);  // wraps, no overflow
  EXPECT_EQ(BitReverse(0x80), 0x01);
  EXPECT_EQ(BitReverse(0x01), 0x80);
  EXPECT_EQ(BitReverse(0x25), 0xA4);
}

TEST(Conversions, ClockAndPcTexts) {
  EXPECT_EQ(ClockText({2024, 12, 6, 15, 45, 7}), "06.12.24 15:45:07");
  EXPECT_EQ(ClockText({2024, 12, 6, 0, 0, 0}), "06.12.24");
  EXPECT_EQ(ClockText(TDateTime{}), "30.12.99");
  SetPcClock([] { return PcTime{2003, 6, 19, 15, 7, 42, 0}; });
  EXPECT_EQ(DateText(), "19.06.03");
  EXPECT_EQ(TimeText(), "15:07:42");
  SetPcClock({});
}

}  // namespace
