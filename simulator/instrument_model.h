#pragma once
// The QELT-430 as the PC sees it over the serial line: 4096 lines of 8 memory cells, the two link
// modes with their line speeds, the one-byte memory commands, the record area, the kinetics buffer
// and a ticking real-time clock in line 4095.
//
// Plain C++ with no dependency on the PC-side code, so that the protocol tests can drive it
// in-process behind a fake port and `qelt430-sim` can serve it on a pseudo-terminal.
//
// Wire behaviour
// --------------
// Local mode: nothing is answered. The link byte 0x19 received at 7200 baud enters remote mode;
// every other byte, and 0x19 at any other speed, is ignored.
//
// Remote mode: the instrument talks 19200 baud. A byte received at any other speed is line garbage:
// it gets no reply and has no effect (a two-byte command that is under way stays under way). Every
// byte received at 19200 baud gets exactly one reply, except the link byte 0x18, which returns to
// local mode and, like 0x19, is not answered (the PC reads no reply to link bytes).
//
//   byte(s)              command     effect                                     reply
//   0x30+h, then low     SetAddress  current line := 256*h + low                first: the command
//                                    (the current cell is kept)                 byte; second: low
//   0xB0+k (k = 0..7)    ReadAt      current cell := k                          cell k of the line
//   0xA8                 ReadNext    then current line := next line             the current cell
//   0x29, then v         WriteAt     current cell of the current line := v      0x29; then v
//   0x2D, then v         WriteNext   the same, then current line := next line   0x2D; then v
//   0xAB                 clearing    record count := 0, record lines zeroed     the new count (0)
//   anything else        none        none                                       0x00
//
// The value byte of WriteAt and WriteNext and the low byte of SetAddress are data: 0x18 or 0x19 in
// that place is a value, not a link byte. "Next line" after line 4095 is line 0.
//
// Memory and clock
// ----------------
// All cells start at 0. Line 4095 holds the clock: cells 1, 2, 3, 5, 6, 7 are seconds, minutes,
// hours, day, month and two-digit year as BCD, and cross the line bit-reversed (the byte on the
// line is BitReverse of the BCD byte); Cell() and SetCell() see them the same way. The clock ticks
// from the time it was last written: writing the seconds cell restarts the current second, writing
// any other clock cell keeps the phase of the running second. The calendar is that of the years
// 2000 to 2099. While the six cells do not form a valid date and time (a cell that is not BCD, or
// day 31 of a 30-day month half-way through a clock write) the clock stands still.
// Cell 0 of line 4095 (the control cell; the PC writes 0x01 before and 0x80 after setting the
// time) and cell 4 are plain memory cells with no effect on the clock.
//
// Faults that concern the replies (SetFaults):
//   Silent           no byte is ever answered; commands still take effect.
//   SilentAfterTest  answering stops for good right after the reply to a ReadNext of line 2057,
//                    cell 0: the last read-back of the PC's memory test.
//   BadClock         the day cell of the clock reads as BCD 0x1A (not a valid BCD digit).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class InstrumentModel {
 public:
  enum class Link { Local, Remote };

  static constexpr int Lines = 4096;
  static constexpr int CellsPerLine = 8;

  static constexpr int ListenSpeed = 7200;   // the speed of the link byte that enters remote mode
  static constexpr int RemoteSpeed = 19200;  // the speed of everything in remote mode

  static constexpr std::uint8_t EnterRemote = 0x19;
  static constexpr std::uint8_t LeaveRemote = 0x18;
  static constexpr std::uint8_t SetAddressBase = 0x30;
  static constexpr std::uint8_t ReadAtBase = 0xB0;
  static constexpr std::uint8_t ReadNextCmd = 0xA8;
  static constexpr std::uint8_t WriteAtCmd = 0x29;
  static constexpr std::uint8_t WriteNextCmd = 0x2D;
  static constexpr std::uint8_t ClearCmd = 0xAB;
  static constexpr std::uint8_t UnknownReply = 0x00;

  static constexpr int KineticsLines = 128;   // lines 0 to 127, cell 0
  static constexpr int CountLine = 255;       // cell 0: number of records
  static constexpr int FirstRecordLine = 258;  // two lines per record
  static constexpr int MaxRecords = 255;
  static constexpr int TestLine = 2048;        // memory test area, lines 2048 to 2057, cell 0
  static constexpr int TestLines = 10;
  static constexpr int ClockLine = 4095;

  // Milliseconds of a monotonic clock; the instrument clock ticks by it.
  using TimeSource = std::function<std::int64_t()>;

  struct ClockTime {
    int Year = 2000;  // 2000 to 2099
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    friend bool operator==(const ClockTime&, const ClockTime&) = default;
  };

  struct Faults {
    bool Silent = false;
    bool SilentAfterTest = false;
    bool BadClock = false;
    friend bool operator==(const Faults&, const Faults&) = default;
  };

  // An empty time source means the steady clock of the process. The clock starts at
  // 1 January 2000, 00:00:00.
  explicit InstrumentModel(TimeSource now = {});

  // One byte arrives on the line while the PC's port is at `speed` baud; returns the reply byte,
  // if any.
  std::optional<std::uint8_t> Receive(std::uint8_t byte, int speed);

  Link LinkMode() const { return m_link; }
  int CurrentLine() const { return m_line; }
  int CurrentCell() const { return m_cell; }

  // Memory as the line sees it (clock cells bit-reversed BCD, faults not applied). Out-of-range
  // places read as 0 and are not written.
  std::uint8_t Cell(int line, int cell) const;
  void SetCell(int line, int cell, std::uint8_t v);
  // All cells to 0 (the clock cells too, which stops the clock until it is set).
  void ClearAll();

  // Appends a record at line 258 + 2(k-1) and bumps the count in line 255, cell 0. A full record
  // store (255 records) takes no more: returns false and changes nothing.
  bool AddRecord(const std::array<std::uint8_t, 8>& first, const std::array<std::uint8_t, 8>& second);
  int RecordCount() const { return Cell(CountLine, 0); }
  // Cell 0 of lines 0 to 127.
  void SetKinetics(const std::array<std::uint8_t, KineticsLines>& samples);
  // A plausible light curve of 34 records and the kinetics of a saturation pulse; the other
  // memory is left as it is.
  void LoadDemo();

  // Sets the clock; the year is kept as its last two digits. Ticks from now.
  void SetClock(int year, int month, int day, int hour, int minute, int second);
  // The running clock, or nothing while its cells do not form a valid date and time.
  std::optional<ClockTime> ReadClock() const;

  void SetFaults(const Faults& faults) { m_faults = faults; }
  const Faults& GetFaults() const { return m_faults; }
  // True once SilentAfterTest has struck.
  bool Silenced() const { return m_silenced; }

  // Bit i becomes bit 7 - i.
  static std::uint8_t BitReverse(std::uint8_t b);

 private:
  enum class Pending { None, AddressLow, WriteAtValue, WriteNextValue };

  std::optional<std::uint8_t> Serve(std::uint8_t byte);
  std::uint8_t ReadForLine(int line, int cell) const;  // with the reply faults
  void Store(int line, int cell, std::uint8_t v);
  void NextLine() { m_line = (m_line + 1) % Lines; }

  // Clock: BCD of seconds, minutes, hours, day, month, year, and the time they were valid at.
  static int ClockIndex(int cell);  // index into m_clock, or -1 for cells 0 and 4
  std::array<std::uint8_t, 6> RunningClock() const;
  void CommitClock(bool restartSecond);
  std::int64_t Now() const { return m_now(); }

  TimeSource m_now;
  std::array<std::array<std::uint8_t, CellsPerLine>, Lines> m_memory{};
  std::array<std::uint8_t, 6> m_clock{};
  std::int64_t m_clockBase = 0;
  Link m_link = Link::Local;
  int m_line = 0;
  int m_cell = 0;
  Pending m_pending = Pending::None;
  int m_addressHigh = 0;
  Faults m_faults;
  bool m_silenced = false;
};
