// The instrument model on raw bytes: what comes back for each byte sent, and what it does to the
// instrument memory.

#include "instrument_model.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using Reply = std::optional<std::uint8_t>;
using Bytes = std::vector<std::uint8_t>;
constexpr int kRemote = InstrumentModel::RemoteSpeed;
constexpr int kListen = InstrumentModel::ListenSpeed;

// A model with a clock that the test advances by hand.
struct ModelFixture : ::testing::Test {
  std::int64_t nowMs = 0;
  InstrumentModel model{[this] { return nowMs; }};

  std::vector<Reply> Send(const Bytes& bytes, int speed = kRemote) {
    std::vector<Reply> replies;
    for (const std::uint8_t b : bytes) replies.push_back(model.Receive(b, speed));
    return replies;
  }
  // Every byte must be answered; returns the replies.
  Bytes Exchange(const Bytes& bytes) {
    Bytes replies;
    for (const std::uint8_t b : bytes) {
      const Reply r = model.Receive(b, kRemote);
      EXPECT_TRUE(r.has_value()) << "no reply to " << int(b);
      replies.push_back(r.value_or(0));
    }
    return replies;
  }
  void EnterRemote() {
    ASSERT_EQ(model.Receive(0x19, kListen), std::nullopt);
    ASSERT_EQ(model.LinkMode(), InstrumentModel::Link::Remote);
  }
  // The PC's clock setting sequence for 19 June 2003, 15:07:42.
  static Bytes SetClockBytes() {
    return {0x3F, 0xFF, 0xB0, 0x29, 0x01, 0xB1, 0x29, 0x42, 0xB2, 0x29, 0xE0, 0xB3, 0x29, 0xA8,
            0xB5, 0x29, 0x98, 0xB6, 0x29, 0x60, 0xB7, 0x29, 0xC0, 0xB0, 0x29, 0x80};
  }
  // The PC's memory test: WriteNext 1 to 10 from line 2048, then ReadNext them back.
  static Bytes MemoryTestBytes() {
    Bytes b{0x38, 0x00, 0xB0};
    for (std::uint8_t v = 1; v <= 10; ++v) b.insert(b.end(), {0x2D, v});
    b.insert(b.end(), {0x38, 0x00, 0xB0});
    for (int i = 0; i < 10; ++i) b.push_back(0xA8);
    return b;
  }
};

TEST(BitReverse, MirrorsTheBitOrder) {
  EXPECT_EQ(InstrumentModel::BitReverse(0x80), 0x01);
  EXPECT_EQ(InstrumentModel::BitReverse(0x01), 0x80);
  EXPECT_EQ(InstrumentModel::BitReverse(0x25), 0xA4);
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(InstrumentModel::BitReverse(InstrumentModel::BitReverse(static_cast<std::uint8_t>(b))), b);
}

TEST_F(ModelFixture, LocalModeAnswersNothingAndChangesNothing) {
  // A complete write of cell 0 of line 258, at both speeds, and 0x19 at the wrong speed.
  for (const int speed : {kRemote, kListen}) {
    for (const Reply& r : Send({0x31, 0x02, 0xB0, 0x29, 0x77, 0xAB, 0x18}, speed)) EXPECT_EQ(r, std::nullopt);
  }
  EXPECT_EQ(Send({0x19}, kRemote)[0], std::nullopt);
  EXPECT_EQ(model.LinkMode(), InstrumentModel::Link::Local);
  EXPECT_EQ(model.Cell(258, 0), 0);
  EXPECT_EQ(model.CurrentLine(), 0);
}

TEST_F(ModelFixture, LinkBytesCountOnlyAtTheirOwnSpeed) {
  EnterRemote();
  // 0x18 at 7200 is line garbage for an instrument that talks 19200: still remote, no reply.
  EXPECT_EQ(model.Receive(0x18, kListen), std::nullopt);
  EXPECT_EQ(model.LinkMode(), InstrumentModel::Link::Remote);
  // 0x19 at 19200 in remote mode is an unknown command: answered, no effect.
  EXPECT_EQ(model.Receive(0x19, kRemote), InstrumentModel::UnknownReply);
  EXPECT_EQ(model.Receive(0x18, kRemote), std::nullopt);
  EXPECT_EQ(model.LinkMode(), InstrumentModel::Link::Local);
  EXPECT_EQ(model.Receive(0xB0, kRemote), std::nullopt);
}

TEST_F(ModelFixture, BytesAtTheWrongSpeedAreNotHeardInRemoteMode) {
  EnterRemote();
  model.SetCell(2048, 0, 0x11);
  // SetAddress(2048) and WriteAt(0x55) at 7200: nothing happens.
  for (const Reply& r : Send({0x38, 0x00, 0xB0, 0x29, 0x55}, kListen)) EXPECT_EQ(r, std::nullopt);
  EXPECT_EQ(model.CurrentLine(), 0);
  EXPECT_EQ(model.Cell(2048, 0), 0x11);
  // A command under way stays under way across a garbage byte: the value still follows 0x29.
  EXPECT_EQ(Exchange({0x38}), Bytes{0x38});
  EXPECT_EQ(model.Receive(0x99, kListen), std::nullopt);
  EXPECT_EQ(Exchange({0x00, 0xB0, 0x29}), (Bytes{0x00, 0x11, 0x29}));
  EXPECT_EQ(model.Receive(0x42, 1200), std::nullopt);
  EXPECT_EQ(Exchange({0x66}), Bytes{0x66});
  EXPECT_EQ(model.Cell(2048, 0), 0x66);
}

TEST_F(ModelFixture, SetAddressSelectsTheLineFromBothBytes) {
  EnterRemote();
  const struct {
    int line;
    Bytes bytes;
  } cases[] = {{0, {0x30, 0x00}},    {255, {0x30, 0xFF}},  {258, {0x31, 0x02}},
               {2048, {0x38, 0x00}}, {3072, {0x3C, 0x00}}, {4095, {0x3F, 0xFF}},
               {24, {0x30, 0x18}},   {25, {0x30, 0x19}}};  // low bytes that look like link bytes
  for (const auto& c : cases) {
    EXPECT_EQ(Exchange(c.bytes), c.bytes) << c.line;  // the replies the PC discards: echoes
    EXPECT_EQ(model.CurrentLine(), c.line);
    EXPECT_EQ(model.LinkMode(), InstrumentModel::Link::Remote);
  }
}

TEST_F(ModelFixture, TheFiveMemoryBehaviours) {
  EnterRemote();
  for (int c = 0; c < 8; ++c) model.SetCell(300, c, static_cast<std::uint8_t>(0xC0 + c));
  model.SetCell(301, 5, 0xD5);
  Exchange({0x31, 0x2C});  // line 300

  // ReadAt(k): cell k of the current line; k becomes the current cell.
  EXPECT_EQ(Exchange({0xB7, 0xB2, 0xB5}), (Bytes{0xC7, 0xC2, 0xC5}));
  EXPECT_EQ(model.CurrentCell(), 5);
  // WriteAt: into the current cell, the line stays.
  EXPECT_EQ(Exchange({0x29, 0x18}), (Bytes{0x29, 0x18}));  // 0x18 as a value is data
  EXPECT_EQ(model.Cell(300, 5), 0x18);
  EXPECT_EQ(model.CurrentLine(), 300);
  EXPECT_EQ(model.LinkMode(), InstrumentModel::Link::Remote);
  // ReadNext: the current cell, then the next line; the cell stays selected.
  EXPECT_EQ(Exchange({0xA8, 0xA8}), (Bytes{0x18, 0xD5}));
  EXPECT_EQ(model.CurrentLine(), 302);
  EXPECT_EQ(model.CurrentCell(), 5);
  // WriteNext: into the current cell, then the next line.
  EXPECT_EQ(Exchange({0x2D, 0x01, 0x2D, 0x02}), (Bytes{0x2D, 0x01, 0x2D, 0x02}));
  EXPECT_EQ(model.Cell(302, 5), 0x01);
  EXPECT_EQ(model.Cell(303, 5), 0x02);
  EXPECT_EQ(model.CurrentLine(), 304);
  // The line after 4095 is line 0.
  model.SetCell(0, 5, 0xE0);
  Exchange({0x3F, 0xFF});
  Exchange({0xA8});
  EXPECT_EQ(model.CurrentLine(), 0);
  EXPECT_EQ(Exchange({0xA8}), Bytes{0xE0});
}

TEST_F(ModelFixture, UnknownBytesAreAnsweredWithoutEffect) {
  EnterRemote();
  Exchange({0x31, 0x02, 0xB3});
  for (const std::uint8_t b : Bytes{0x00, 0x19, 0x2A, 0xA9, 0xAF, 0xB8, 0xBF, 0xFF}) {
    EXPECT_EQ(Exchange({b}), Bytes{InstrumentModel::UnknownReply}) << int(b);
    EXPECT_EQ(model.CurrentLine(), 258);
    EXPECT_EQ(model.CurrentCell(), 3);
  }
}

TEST_F(ModelFixture, PcMemoryTestReadsBackWhatItWrote) {
  EnterRemote();
  const Bytes replies = Exchange(MemoryTestBytes());
  const Bytes readBack(replies.end() - 10, replies.end());
  EXPECT_EQ(readBack, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(model.Cell(2048 + i, 0), i + 1);
}

TEST_F(ModelFixture, SettingsUploadLandsWhereThePcExpectsIt) {
  // Count with WriteNext into line 3072, then each pair with WriteAt into cell 0 and WriteNext
  // into cell 1 of the following lines.
  EnterRemote();
  Bytes upload{0x3C, 0x00, 0xB0, 0x2D, 0x02, 0xB0, 0x29, 0x00, 0xB1, 0x2D, 0x04, 0xB0, 0x29, 0xDF, 0xB1, 0x2D, 0x05};
  Exchange(upload);
  EXPECT_EQ(model.Cell(3072, 0), 2);
  EXPECT_EQ(model.Cell(3073, 0), 0x00);
  EXPECT_EQ(model.Cell(3073, 1), 0x04);
  EXPECT_EQ(model.Cell(3074, 0), 0xDF);
  EXPECT_EQ(model.Cell(3074, 1), 0x05);
}

TEST_F(ModelFixture, ClockRoundTripWithBitReversalAndTicking) {
  EnterRemote();
  nowMs = 12'345;
  Exchange(SetClockBytes());
  ASSERT_TRUE(model.ReadClock());
  EXPECT_EQ(*model.ReadClock(), (InstrumentModel::ClockTime{2003, 6, 19, 15, 7, 42}));
  EXPECT_EQ(model.Cell(4095, 0), 0x80);  // the control cell is plain memory

  // The PC's read order: day, month, year, hours, minutes, seconds, each bit-reversed BCD.
  const Bytes read{0x3F, 0xFF, 0xB5, 0xB6, 0xB7, 0xB3, 0xB2, 0xB1};
  EXPECT_EQ(Exchange(read), (Bytes{0x3F, 0xFF, 0x98, 0x60, 0xC0, 0xA8, 0xE0, 0x42}));

  nowMs += 999;
  EXPECT_EQ(model.ReadClock()->Second, 42);
  nowMs += 1 + 60'000 + 17'000;  // 78 s after the write
  EXPECT_EQ(*model.ReadClock(), (InstrumentModel::ClockTime{2003, 6, 19, 15, 9, 0}));
  EXPECT_EQ(Exchange({0xB1, 0xB2}), (Bytes{InstrumentModel::BitReverse(0x00), InstrumentModel::BitReverse(0x09)}));
}

TEST_F(ModelFixture, ClockCarriesAcrossDaysMonthsAndTheCentury) {
  const struct {
    InstrumentModel::ClockTime from;
    std::int64_t seconds;
    InstrumentModel::ClockTime to;
  } cases[] = {
      {{2024, 2, 28, 23, 59, 59}, 1, {2024, 2, 29, 0, 0, 0}},
      {{2023, 2, 28, 23, 59, 59}, 1, {2023, 3, 1, 0, 0, 0}},
      {{2003, 4, 30, 23, 0, 0}, 3600, {2003, 5, 1, 0, 0, 0}},
      {{2099, 12, 31, 23, 59, 59}, 2, {2000, 1, 1, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    nowMs = 0;
    model.SetClock(c.from.Year, c.from.Month, c.from.Day, c.from.Hour, c.from.Minute, c.from.Second);
    nowMs = c.seconds * 1000;
    EXPECT_EQ(model.ReadClock(), c.to) << c.from.Year << "-" << c.from.Month << "-" << c.from.Day;
  }
}

TEST_F(ModelFixture, WritingTheSecondsRestartsTheRunningSecond) {
  model.SetClock(2010, 1, 1, 0, 0, 0);
  nowMs = 1500;
  model.SetCell(4095, 2, InstrumentModel::BitReverse(0x30));  // minutes: the phase goes on
  nowMs = 2000;
  EXPECT_EQ(*model.ReadClock(), (InstrumentModel::ClockTime{2010, 1, 1, 0, 30, 2}));
  model.SetCell(4095, 1, InstrumentModel::BitReverse(0x10));  // seconds: a fresh second
  nowMs = 2999;
  EXPECT_EQ(model.ReadClock()->Second, 10);
  nowMs = 3000;
  EXPECT_EQ(model.ReadClock()->Second, 11);
}

TEST_F(ModelFixture, ClockStandsStillWhileItsCellsAreNoDate) {
  model.SetClock(2010, 1, 1, 0, 0, 0);
  model.SetCell(4095, 5, InstrumentModel::BitReverse(0x1A));
  nowMs = 5000;
  EXPECT_EQ(model.ReadClock(), std::nullopt);
  EXPECT_EQ(model.Cell(4095, 1), 0x00);
  model.SetCell(4095, 5, InstrumentModel::BitReverse(0x02));
  nowMs = 6000;
  EXPECT_EQ(*model.ReadClock(), (InstrumentModel::ClockTime{2010, 1, 2, 0, 0, 1}));
}

TEST_F(ModelFixture, ClearingCommandEmptiesTheRecordStoreOnly) {
  model.LoadDemo();
  model.SetCell(2048, 0, 7);
  model.SetCell(3072, 0, 26);
  const std::uint8_t kinetics = model.Cell(50, 0);
  EnterRemote();
  // The PC's ClearMemory: SetAddress(255), ReadAt(0), WriteAt(0), 0xAB.
  EXPECT_EQ(Exchange({0x30, 0xFF, 0xB0, 0x29, 0x00, 0xAB}), (Bytes{0x30, 0xFF, 34, 0x29, 0x00, 0x00}));
  EXPECT_EQ(model.RecordCount(), 0);
  for (int line = 258; line < 258 + 2 * 255; ++line)
    for (int c = 0; c < 8; ++c) ASSERT_EQ(model.Cell(line, c), 0) << line;
  EXPECT_EQ(model.Cell(2048, 0), 7);
  EXPECT_EQ(model.Cell(3072, 0), 26);
  EXPECT_EQ(model.Cell(50, 0), kinetics);
  // 0xAB on its own also resets the count.
  model.AddRecord({1}, {2});
  EXPECT_EQ(Exchange({0xAB}), Bytes{0});
  EXPECT_EQ(model.RecordCount(), 0);
}

TEST_F(ModelFixture, SilentInstrumentHearsButNeverAnswers) {
  model.SetFaults({.Silent = true});
  EnterRemote();
  for (const Reply& r : Send({0x38, 0x00, 0xB0, 0x29, 0x5A, 0xB0})) EXPECT_EQ(r, std::nullopt);
  EXPECT_EQ(model.Cell(2048, 0), 0x5A);
}

TEST_F(ModelFixture, SilentAfterTestAnswersTheWholeMemoryTestThenNothing) {
  model.SetFaults({.SilentAfterTest = true});
  EnterRemote();
  const Bytes replies = Exchange(MemoryTestBytes());
  EXPECT_EQ(replies.back(), 10);
  EXPECT_TRUE(model.Silenced());
  for (const Reply& r : Send({0x3F, 0xFF, 0xB5})) EXPECT_EQ(r, std::nullopt);
  EXPECT_EQ(model.CurrentLine(), 4095);  // still hears
}

TEST_F(ModelFixture, BadClockDayCellIsNotBcd) {
  model.SetFaults({.BadClock = true});
  EnterRemote();
  Exchange(SetClockBytes());
  EXPECT_EQ(Exchange({0x3F, 0xFF, 0xB5, 0xB6, 0xB3}),
            (Bytes{0x3F, 0xFF, InstrumentModel::BitReverse(0x1A), 0x60, 0xA8}));
  EXPECT_EQ(model.ReadClock()->Day, 19);  // the clock itself runs on
}

TEST_F(ModelFixture, RecordsAppendUpToAFullStore) {
  for (int k = 1; k <= 255; ++k) {
    ASSERT_TRUE(model.AddRecord({static_cast<std::uint8_t>(k), 1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13, 14, 15}));
  }
  EXPECT_FALSE(model.AddRecord({0xEE}, {0xEE}));
  EXPECT_EQ(model.RecordCount(), 255);
  EXPECT_EQ(model.Cell(258, 0), 1);
  EXPECT_EQ(model.Cell(259, 7), 15);
  EXPECT_EQ(model.Cell(258 + 2 * 254, 0), 255);
  EXPECT_EQ(model.Cell(258 + 2 * 255, 0), 0);  // the refused record went nowhere
}

TEST_F(ModelFixture, DemoIsALightCurveAndASaturationPulse) {
  model.LoadDemo();
  const int n = model.RecordCount();
  ASSERT_GE(n, 20);
  int lastAl = -1, lastTime = -1;
  double firstYield = 0, lastYield = 0;
  for (int k = 0; k < n; ++k) {
    const int a = 258 + 2 * k, b = a + 1;
    EXPECT_EQ(model.Cell(a, 0), k + 1);
    EXPECT_EQ(model.Cell(a, 1), model.Cell(258, 1));  // one day
    const auto bcd = [&](int c) { return (model.Cell(a, c) >> 4) * 10 + (model.Cell(a, c) & 0x0F); };
    const int t = bcd(4) * 3600 + bcd(5) * 60 + bcd(6);
    if (lastTime >= 0) {
      EXPECT_GE(t - lastTime, 60);
      EXPECT_LE(t - lastTime, 600);
    }
    lastTime = t;
    const int al = model.Cell(b, 5);
    EXPECT_GE(al, lastAl);
    EXPECT_LE(al, 11);
    lastAl = al;
    const double ft = model.Cell(b, 0) * 256 + model.Cell(b, 1), fm = model.Cell(b, 2) * 256 + model.Cell(b, 3);
    ASSERT_GT(fm, ft);
    (k == 0 ? firstYield : lastYield) = (fm - ft) / fm;
  }
  EXPECT_EQ(lastAl, 11);
  EXPECT_GT(firstYield, 0.7);
  EXPECT_LT(lastYield, 0.3);

  // Kinetics within the chart's 0 to 2.05 (byte 105): baseline, a plateau well above it, decay.
  int peak = 0;
  for (int i = 0; i < 128; ++i) {
    EXPECT_LE(model.Cell(i, 0), 105) << i;
    peak = std::max<int>(peak, model.Cell(i, 0));
  }
  EXPECT_LT(model.Cell(0, 0), peak / 2);
  EXPECT_GT(model.Cell(40, 0), peak * 9 / 10);
  EXPECT_LT(model.Cell(127, 0), peak / 2);
}

}  // namespace
