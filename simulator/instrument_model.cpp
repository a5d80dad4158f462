#include "instrument_model.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

std::int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::uint8_t ToBcd(int v) { return static_cast<std::uint8_t>(((v / 10) % 10) << 4 | (v % 10)); }

// -1 when the byte is not two BCD digits.
int FromBcd(std::uint8_t b) {
  const int hi = b >> 4, lo = b & 0x0F;
  if (hi > 9 || lo > 9) return -1;
  return hi * 10 + lo;
}

// Clock array order: seconds, minutes, hours, day, month, year (two digits).
enum { kSec, kMin, kHour, kDay, kMonth, kYear };

std::optional<InstrumentModel::ClockTime> Decode(const std::array<std::uint8_t, 6>& bcd) {
  std::array<int, 6> v{};
  for (std::size_t i = 0; i < v.size(); ++i) {
    v[i] = FromBcd(bcd[i]);
    if (v[i] < 0) return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day ymd{year{2000 + v[kYear]}, month{static_cast<unsigned>(v[kMonth])},
                           day{static_cast<unsigned>(v[kDay])}};
  if (!ymd.ok() || v[kHour] > 23 || v[kMin] > 59 || v[kSec] > 59) return std::nullopt;
  return InstrumentModel::ClockTime{2000 + v[kYear], v[kMonth], v[kDay], v[kHour], v[kMin], v[kSec]};
}

std::array<std::uint8_t, 6> Encode(const InstrumentModel::ClockTime& t) {
  return {ToBcd(t.Second), ToBcd(t.Minute), ToBcd(t.Hour), ToBcd(t.Day), ToBcd(t.Month), ToBcd(t.Year % 100)};
}

InstrumentModel::ClockTime Advance(const InstrumentModel::ClockTime& t, std::int64_t seconds) {
  using namespace std::chrono;
  const sys_days day0{year{t.Year} / month{static_cast<unsigned>(t.Month)} / day{static_cast<unsigned>(t.Day)}};
  const sys_seconds start = day0 + hours{t.Hour} + minutes{t.Minute} + std::chrono::seconds{t.Second};
  sys_seconds now = start + std::chrono::seconds{seconds};
  const sys_days d = floor<days>(now);
  year_month_day ymd{d};
  // The two-digit year wraps from 99 to 00.
  int y = static_cast<int>(ymd.year());
  y = 2000 + ((y - 2000) % 100 + 100) % 100;
  const hh_mm_ss hms{now - d};
  return {y,
          static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())),
          static_cast<int>(hms.hours().count()),
          static_cast<int>(hms.minutes().count()),
          static_cast<int>(hms.seconds().count())};
}

}  // namespace

InstrumentModel::InstrumentModel(TimeSource now) : m_now(now ? std::move(now) : TimeSource(SteadyMs)) {
  m_clockBase = Now();
  m_clock = Encode(ClockTime{});
}

std::uint8_t InstrumentModel::BitReverse(std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r = static_cast<std::uint8_t>(r | (0x80u >> i));
  return r;
}

std::optional<std::uint8_t> InstrumentModel::Receive(std::uint8_t byte, int speed) {
  if (m_link == Link::Local) {
    if (byte == EnterRemote && speed == ListenSpeed) {
      m_link = Link::Remote;
      m_pending = Pending::None;
    }
    return std::nullopt;
  }
  if (speed != RemoteSpeed) return std::nullopt;  // garbage on the line: not heard at all
  const std::optional<std::uint8_t> reply = Serve(byte);
  if (m_faults.Silent || m_silenced) return std::nullopt;
  if (m_faults.SilentAfterTest && byte == ReadNextCmd && reply && m_line == TestLine + TestLines &&
      m_cell == 0)
    m_silenced = true;  // this reply still goes out; nothing after it
  return reply;
}

std::optional<std::uint8_t> InstrumentModel::Serve(std::uint8_t byte) {
  switch (m_pending) {
    case Pending::AddressLow:
      m_pending = Pending::None;
      m_line = m_addressHigh * 256 + byte;
      return byte;
    case Pending::WriteAtValue:
      m_pending = Pending::None;
      Store(m_line, m_cell, byte);
      return byte;
    case Pending::WriteNextValue:
      m_pending = Pending::None;
      Store(m_line, m_cell, byte);
      NextLine();
      return byte;
    case Pending::None:
      break;
  }
  if (byte == LeaveRemote) {
    m_link = Link::Local;
    return std::nullopt;
  }
  if (byte >= SetAddressBase && byte <= SetAddressBase + 0x0F) {
    m_addressHigh = byte - SetAddressBase;
    m_pending = Pending::AddressLow;
    return byte;
  }
  if (byte >= ReadAtBase && byte < ReadAtBase + CellsPerLine) {
    m_cell = byte - ReadAtBase;
    return ReadForLine(m_line, m_cell);
  }
  switch (byte) {
    case ReadNextCmd: {
      const std::uint8_t v = ReadForLine(m_line, m_cell);
      NextLine();
      return v;
    }
    case WriteAtCmd:
      m_pending = Pending::WriteAtValue;
      return byte;
    case WriteNextCmd:
      m_pending = Pending::WriteNextValue;
      return byte;
    case ClearCmd:
      m_memory[CountLine][0] = 0;
      for (int line = FirstRecordLine; line < FirstRecordLine + 2 * MaxRecords; ++line) m_memory[line] = {};
      return m_memory[CountLine][0];
    default:
      return UnknownReply;
  }
}

std::uint8_t InstrumentModel::ReadForLine(int line, int cell) const {
  if (m_faults.BadClock && line == ClockLine && cell == 5) return BitReverse(0x1A);
  return Cell(line, cell);
}

int InstrumentModel::ClockIndex(int cell) {
  switch (cell) {
    case 1: return kSec;
    case 2: return kMin;
    case 3: return kHour;
    case 5: return kDay;
    case 6: return kMonth;
    case 7: return kYear;
    default: return -1;
  }
}

std::uint8_t InstrumentModel::Cell(int line, int cell) const {
  if (line < 0 || line >= Lines || cell < 0 || cell >= CellsPerLine) return 0;
  if (line == ClockLine) {
    const int i = ClockIndex(cell);
    if (i >= 0) return BitReverse(RunningClock()[static_cast<std::size_t>(i)]);
  }
  return m_memory[static_cast<std::size_t>(line)][static_cast<std::size_t>(cell)];
}

void InstrumentModel::SetCell(int line, int cell, std::uint8_t v) { Store(line, cell, v); }

void InstrumentModel::Store(int line, int cell, std::uint8_t v) {
  if (line < 0 || line >= Lines || cell < 0 || cell >= CellsPerLine) return;
  if (line == ClockLine) {
    const int i = ClockIndex(cell);
    if (i >= 0) {
      CommitClock(i == kSec);
      m_clock[static_cast<std::size_t>(i)] = BitReverse(v);
      return;
    }
  }
  m_memory[static_cast<std::size_t>(line)][static_cast<std::size_t>(cell)] = v;
}

void InstrumentModel::ClearAll() {
  for (auto& line : m_memory) line = {};
  m_clock = {};
  m_clockBase = Now();
}

std::array<std::uint8_t, 6> InstrumentModel::RunningClock() const {
  const std::int64_t elapsed = (Now() - m_clockBase) / 1000;
  if (elapsed <= 0) return m_clock;
  const auto t = Decode(m_clock);
  if (!t) return m_clock;  // not a valid date and time: the clock stands still
  return Encode(Advance(*t, elapsed));
}

void InstrumentModel::CommitClock(bool restartSecond) {
  const std::int64_t now = Now();
  const std::int64_t whole = std::max<std::int64_t>(0, (now - m_clockBase) / 1000);
  m_clock = RunningClock();
  m_clockBase = restartSecond ? now : m_clockBase + whole * 1000;
}

void InstrumentModel::SetClock(int year, int month, int day, int hour, int minute, int second) {
  m_clock = Encode(ClockTime{year, month, day, hour, minute, second});
  m_clockBase = Now();
}

std::optional<InstrumentModel::ClockTime> InstrumentModel::ReadClock() const { return Decode(RunningClock()); }

bool InstrumentModel::AddRecord(const std::array<std::uint8_t, 8>& first, const std::array<std::uint8_t, 8>& second) {
  const int count = RecordCount();
  if (count >= MaxRecords) return false;
  const int line = FirstRecordLine + 2 * count;
  m_memory[static_cast<std::size_t>(line)] = first;
  m_memory[static_cast<std::size_t>(line + 1)] = second;
  m_memory[CountLine][0] = static_cast<std::uint8_t>(count + 1);
  return true;
}

void InstrumentModel::SetKinetics(const std::array<std::uint8_t, KineticsLines>& samples) {
  for (int i = 0; i < KineticsLines; ++i) m_memory[static_cast<std::size_t>(i)][0] = samples[static_cast<std::size_t>(i)];
}

void InstrumentModel::LoadDemo() {
  // A light curve: one dark-adapted measurement, then three at each actinic light level 1 to 11
  // with the measuring light fixed at 8. The PAR values these give (the instrument's tables) rise
  // from 0 to 1864; the yield falls from about 0.8 to about 0.2 and Fm' with it.
  static constexpr int kAlPar[12] = {0, 50, 80, 110, 140, 200, 300, 430, 590, 840, 1240, 1850};
  constexpr int kMl = 8, kMlPar = 14, kRecords = 34;
  constexpr int kStart = 9 * 3600 + 12 * 60 + 5;  // 09:12:05, one record every three minutes
  for (int k = 1; k <= kRecords; ++k) {
    const int al = k == 1 ? 0 : 1 + (k - 2) / 3;
    const bool mlFlag = k != 1;  // measuring light counted into PAR only under actinic light
    const double par = kAlPar[al] + (al > 0 || mlFlag ? kMlPar : 0);
    const double jitter = 1.0 + 0.01 * ((k % 3) - 1);
    const double yield = 0.80 / (1.0 + par / 700.0) * jitter;
    const double fm = 2.0 * (1.0 - 0.55 * par / (par + 400.0)) / jitter;
    const double ft = fm * (1.0 - yield);
    const auto raw = [](double f) { return static_cast<int>(std::lround(f / 0.000625)); };
    const int ftRaw = raw(ft), fmRaw = raw(fm);
    const int t = kStart + (k - 1) * 180;
    const std::array<std::uint8_t, 8> first{static_cast<std::uint8_t>(k), 0x14, 0x05, 0x24,
                                            ToBcd(t / 3600), ToBcd(t / 60 % 60), ToBcd(t % 60), 0};
    const std::array<std::uint8_t, 8> second{static_cast<std::uint8_t>(ftRaw >> 8),
                                             static_cast<std::uint8_t>(ftRaw & 0xFF),
                                             static_cast<std::uint8_t>(fmRaw >> 8),
                                             static_cast<std::uint8_t>(fmRaw & 0xFF),
                                             static_cast<std::uint8_t>(kMl | (mlFlag ? 0x80 : 0)),
                                             static_cast<std::uint8_t>(al),
                                             2,
                                             12};
    AddRecord(first, second);
  }

  // The last saturation pulse, one sample per 10 ms with the pulse starting at sample 2: the
  // steady-state baseline, a fast rise to the plateau of maximal fluorescence that sags a little
  // while the pulse lasts, and the decay once it ends. Byte 105 is the top of the chart (2.05).
  std::array<std::uint8_t, KineticsLines> k{};
  constexpr double kBase = 22, kPeak = 96, kEnd = 80;
  for (int i = 0; i < KineticsLines; ++i) {
    double v = kBase;
    if (i >= 2 && i < kEnd) {
      const double rise = 1.0 - std::exp(-(i - 2) / 1.4);
      const double sag = 1.0 - 0.07 * (i - 2) / (kEnd - 2);
      v = kBase + (kPeak * sag - kBase) * rise;
    } else if (i >= kEnd) {
      const double top = kPeak * 0.93;
      v = kBase + 4 + (top - kBase - 4) * std::exp(-(i - kEnd) / 5.0);
    }
    k[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lround(v));
  }
  SetKinetics(k);
}
