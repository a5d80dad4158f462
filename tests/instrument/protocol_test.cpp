// Memory commands, memory test, clock, records and settings upload: wire bytes against the fake
// port, with the instrument model answering.
#include <chrono>
#include <random>

#include "model_fixture.h"
#include "records.h"

namespace {

using Bytes = std::vector<Byte>;

TEST_F(ModelLink, SetAddressBytesAndLine) {
  const struct {
    int line;
    Bytes bytes;
    int current;
  } cases[] = {
      {0, {0x30, 0x00}, 0},         {255, {0x30, 0xFF}, 255},     {258, {0x31, 0x02}, 258},
      {2048, {0x38, 0x00}, 2048},   {3072, {0x3C, 0x00}, 3072},   {4095, {0x3F, 0xFF}, 4095},
      {4096, {0x3F, 0x00}, 3840},  // the high part stops at 15
  };
  for (const auto& c : cases) {
    ClearLog();
    Ctrl.SetAddress(c.line);
    EXPECT_EQ(Port.Written(), c.bytes) << c.line;
    EXPECT_EQ(Model.CurrentLine(), c.current) << c.line;
    EXPECT_FALSE(RxTimeout);
  }
}

TEST_F(ModelLink, StaleByteBeforeSetAddressIsDropped) {
  Port.Inject({0x99});
  EXPECT_EQ(Ctrl.SetAddress(0x0105), 0x05);  // the instrument's reply to the low byte, not 0x99
  EXPECT_EQ(Model.CurrentLine(), 0x105);
  EXPECT_TRUE(Port.Rx.empty());
}

TEST_F(ModelLink, ReadAtSendsOneByteAndNoDrain) {
  Model.SetCell(300, 7, 0x5A);
  Ctrl.SetAddress(300);
  ClearLog();
  EXPECT_EQ(Ctrl.ReadAt(7), 0x5A);
  EXPECT_EQ(Port.Written(), Bytes{0xB7});
}

TEST_F(ModelLink, MemoryTestPassesAgainstTheInstrument) {
  EXPECT_TRUE(Ctrl.MemoryTest());
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Model.Cell(2048 + i, 0), i + 1);
  EXPECT_EQ(Replies(), 36u);
}

TEST_F(ModelLink, MemoryTestFailsOnTheTenthValueAfterReadingAll) {
  int readNexts = 0;
  auto inner = Port.Reply;
  Port.Reply = [&](Byte b, int speed) {
    Bytes r = inner(b, speed);
    if (b == 0xA8 && ++readNexts == 10 && !r.empty()) r[0] = static_cast<Byte>(r[0] + 1);
    return r;
  };
  EXPECT_FALSE(Ctrl.MemoryTest());
  EXPECT_EQ(readNexts, 10);
}

TEST_F(ModelLink, MemoryTestFailsWithNothingAnsweringInAboutThreeQuartersOfASecond) {
  Answering = false;
  SetPcClock({});  // a real calibration from the start value: the waits take their real time
  LoopsPerMs = 100000;
  CalibrateDelay();
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(Ctrl.MemoryTest());
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(Port.Written().size(), 36u);  // every byte still goes out
  EXPECT_GT(s, 0.3);                      // 36 waits of about 20 ms
  EXPECT_LT(s, 5.0);
}

TEST_F(ModelLink, SetClockSendsTheWholeSequence) {
  Ctrl.SetClock();
  const Bytes expected = {0x3F, 0xFF, 0xB0, 0x29, 0x01, 0xB1, 0x29, 0x42, 0xB2, 0x29, 0xE0, 0xB3, 0x29, 0xA8,
                          0xB5, 0x29, 0x98, 0xB6, 0x29, 0x60, 0xB7, 0x29, 0xC0, 0xB0, 0x29, 0x80};
  EXPECT_EQ(Port.Written(), expected);
  EXPECT_EQ(Replies(), expected.size());
  const auto clock = Model.ReadClock();
  ASSERT_TRUE(clock.has_value());
  EXPECT_EQ(*clock, (InstrumentModel::ClockTime{2003, 6, 19, 15, 7, 42}));
}

TEST_F(ModelLink, ReadClockBackAfterSetting) {
  Ctrl.SetClock();
  DateSeparator = '.';
  EXPECT_EQ(Ctrl.ReadClock(), (TDateTime{2003, 6, 19, 15, 7, 42}));
  EXPECT_EQ(DateSeparator, '/');
  ModelMs += 61'000;  // the instrument clock runs on
  EXPECT_EQ(Ctrl.ReadClock(), (TDateTime{2003, 6, 19, 15, 8, 43}));
}

TEST_F(ModelLink, ReadClockWithoutAnswerGivesTheZeroDateTimeAndSendsNoMore) {
  Answering = false;
  EXPECT_TRUE(Ctrl.ReadClock().IsZero());
  EXPECT_EQ(Port.Written(), (Bytes{0x3F, 0xFF}));
}

TEST_F(ModelLink, ReadClockSilentAfterTheAddressIsAConversionError) {
  Port.Reply = [inner = Port.Reply, n = 0](Byte b, int speed) mutable { return ++n <= 2 ? inner(b, speed) : Bytes{}; };
  try {
    Ctrl.ReadClock();
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'00/00/00 00:00:00' is not a valid date and time");
  }
}

// Puts a BCD value into a clock cell as the line carries it.
void SetClockCell(InstrumentModel& m, int cell, Byte bcd) { m.SetCell(4095, cell, BitReverse(bcd)); }

TEST_F(ModelLink, ReadClockInterpretsOrRejectsTheCells) {
  const struct {
    int pcYear;
    Byte day, month, year, hour, minute, second;
    TDateTime expected;  // zero when an error is expected
    const char* error;
  } cases[] = {
      {2024, 0x19, 0x06, 0x03, 0x15, 0x07, 0x42, {2003, 6, 19, 15, 7, 42}, nullptr},
      {2024, 0x01, 0x01, 0x73, 0x00, 0x00, 0x00, {2073, 1, 1, 0, 0, 0}, nullptr},
      {2024, 0x01, 0x01, 0x74, 0x00, 0x00, 0x00, {1974, 1, 1, 0, 0, 0}, nullptr},
      {2050, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, {2000, 1, 1, 0, 0, 0}, nullptr},
      {2051, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, {2100, 1, 1, 0, 0, 0}, nullptr},
      {2024, 0x29, 0x02, 0x24, 0x12, 0x00, 0x00, {2024, 2, 29, 12, 0, 0}, nullptr},
      {2024, 0x31, 0x04, 0x03, 0x10, 0x00, 0x00, {}, "'31/04/03 10:00:00' is not a valid date and time"},
      {2024, 0x19, 0x06, 0x03, 0x24, 0x00, 0x00, {}, "'19/06/03 24:00:00' is not a valid date and time"},
      {2024, 0x1A, 0x06, 0x03, 0x15, 0x07, 0x42, {}, "'1A/06/03 15:07:42' is not a valid date and time"},
      {2024, 0x29, 0x02, 0x00, 0x12, 0x00, 0x00, {2000, 2, 29, 12, 0, 0}, nullptr},  // 2000 is a leap year
      {2024, 0x29, 0x02, 0x23, 0x12, 0x00, 0x00, {}, "'29/02/23 12:00:00' is not a valid date and time"},
  };
  for (const auto& c : cases) {
    PcClockNow.Year = c.pcYear;
    SetClockCell(Model, 5, c.day);
    SetClockCell(Model, 6, c.month);
    SetClockCell(Model, 7, c.year);
    SetClockCell(Model, 3, c.hour);
    SetClockCell(Model, 2, c.minute);
    SetClockCell(Model, 1, c.second);
    if (c.error) {
      try {
        Ctrl.ReadClock();
        ADD_FAILURE() << "no error for " << c.error;
      } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), c.error);
      }
    } else {
      EXPECT_EQ(Ctrl.ReadClock(), c.expected) << c.expected.Year;
    }
  }
}

TEST_F(ModelLink, ClearMemoryEmptiesTheRecordStore) {
  Model.LoadDemo();
  ASSERT_GT(Model.RecordCount(), 0);
  Ctrl.ClearMemory();
  EXPECT_EQ(Port.Written(), (Bytes{0x30, 0xFF, 0xB0, 0x29, 0x00, 0xAB}));
  EXPECT_EQ(Replies(), 6u);
  EXPECT_EQ(Model.RecordCount(), 0);
}

TEST_F(ModelLink, WriteSetupUploadsTheStartupTable) {
  for (const TSetupPair& p : StartupSettings) Ctrl.AddSetup(p.First, p.Second);
  Ctrl.WriteSetup();
  Bytes expected = {0x3C, 0x00, 0xB0, 0x2D, 0x1A};
  for (const TSetupPair& p : StartupSettings)
    expected.insert(expected.end(), {0xB0, 0x29, p.First, 0xB1, 0x2D, p.Second});
  EXPECT_EQ(Port.Written(), expected);
  EXPECT_EQ(Replies(), expected.size());
  EXPECT_EQ(Model.Cell(3072, 0), 26);
  for (int i = 0; i < 26; ++i) {
    EXPECT_EQ(Model.Cell(3073 + i, 0), StartupSettings[static_cast<size_t>(i)].First);
    EXPECT_EQ(Model.Cell(3073 + i, 1), StartupSettings[static_cast<size_t>(i)].Second);
  }
  // Pairs 25 and 26 share their first byte; both are kept in their own lines.
  EXPECT_EQ(Model.Cell(3097, 1), 2);
  EXPECT_EQ(Model.Cell(3098, 1), 5);
  EXPECT_EQ(StartupSettings[0], (TSetupPair{0, 4}));
  EXPECT_EQ(StartupSettings[25], (TSetupPair{223, 5}));
}

TEST_F(ModelLink, SettingsListLimits) {
  Ctrl.WriteSetup();  // empty: nothing is sent
  EXPECT_TRUE(Port.Written().empty());
  for (int i = 0; i < 33; ++i) Ctrl.AddSetup(static_cast<Byte>(i), static_cast<Byte>(100 + i));
  EXPECT_EQ(Ctrl.SetupCount, 32);
  EXPECT_EQ(Ctrl.SetupPairs[31], (TSetupPair{31, 131}));
  Ctrl.ClearSetup();
  Ctrl.WriteSetup();
  EXPECT_TRUE(Port.Written().empty());
}

TEST_F(ModelLink, DownloadOfNoRecordsReadsOnlyTheCount) {
  const RecordDownload d = DownloadRecords(Ctrl);
  EXPECT_EQ(d.Count, 0);
  EXPECT_TRUE(d.Rows.empty());
  EXPECT_EQ(Port.Written(), (Bytes{0x30, 0xFF, 0xB0, 0x31, 0x02}));
}

TEST_F(ModelLink, DownloadDecodesTheWorkedExample) {
  Model.AddRecord({1, 0x19, 0x06, 0x03, 0x15, 0x07, 0x42, 0}, {0x03, 0x20, 0x06, 0x40, 0x85, 3, 7, 12});
  const RecordDownload d = DownloadRecords(Ctrl);
  ASSERT_EQ(d.Count, 1);
  const RecordRow expected = {"1", "19.06.03", "15:07:42", " 5", " 3", " 119",
                              "0.500", "1.000", "0.500", " 25.0", " 7", "0.120"};
  EXPECT_EQ(d.Rows[0], expected);
  // 17 exchanges per record after the count and the start address.
  EXPECT_EQ(Port.Written().size(), 5u + 17);
}

TEST_F(ModelLink, DownloadOfAFullStoreMatchesTheStoredRecords) {
  std::mt19937 rng(430);
  std::vector<std::pair<std::array<Byte, 8>, std::array<Byte, 8>>> stored;
  for (int k = 0; k < 255; ++k) {
    std::array<Byte, 8> a{}, b{};
    for (auto& x : a) x = static_cast<Byte>(rng());
    for (auto& x : b) x = static_cast<Byte>(rng());
    ASSERT_TRUE(Model.AddRecord(a, b));
    stored.emplace_back(a, b);
  }
  const RecordDownload d = DownloadRecords(Ctrl);
  ASSERT_EQ(d.Count, 255);
  for (size_t k = 0; k < stored.size(); ++k) {
    auto [a, b] = stored[k];
    a[7] = 0;  // never read
    EXPECT_EQ(d.Rows[k], RecordTexts(MeasurementRecord::FromLines(a, b))) << k;
    EXPECT_EQ(d.Records[k].FtRaw, 256 * b[0] + b[1]);
    EXPECT_EQ(d.Records[k].ZoffRaw, b[7]);
  }
}

}  // namespace
