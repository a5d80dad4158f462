#pragma once
// The instrument object: the link mode, the settings list, and every operation on the instrument
// (memory commands, memory test, clock, record clearing, settings upload). Every byte goes through
// the serial byte channel.

#include <array>
#include <cstdint>
#include <stdexcept>

#include "typen.h"

// Link modes.
enum : Byte { mdLocal = 0, mdListen = 1, mdRemote = 2 };

// Link bytes: enter remote mode (sent at 7200 baud) and leave it (sent at 19200 baud).
inline constexpr Byte LinkEnterRemote = 0x19;
inline constexpr Byte LinkLeaveRemote = 0x18;

// The clock text that does not form a valid date and time.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TSetupPair {
  Byte First = 0;
  Byte Second = 0;
  friend bool operator==(const TSetupPair&, const TSetupPair&) = default;
};

// Instrument memory places.
namespace MemoryMap {
inline constexpr int KineticsFirstLine = 0;  // lines 0 to 127, cell 0
inline constexpr int KineticsLines = 128;
inline constexpr int RecordCountLine = 255;
inline constexpr int FirstRecordLine = 258;  // two lines per record
inline constexpr int TestLine = 2048;        // lines 2048 to 2057, cell 0
inline constexpr int SettingsLine = 3072;
inline constexpr int ClockLine = 4095;
}  // namespace MemoryMap

class TUniCtrl {
 public:
  static constexpr int MaxSetup = 32;

  Byte Mode;
  std::int32_t SetupCount;
  std::array<TSetupPair, MaxSetup> SetupPairs;

  TUniCtrl();

  // Link modes.
  void SetMode(Byte target);

  // Memory commands: exactly one reply taken per byte sent; a reply that times out reads as 0.
  Byte SetAddress(int line);
  Byte ReadAt(Byte offset);
  Byte ReadNext();
  Byte WriteAt(Byte value);
  Byte WriteNext(Byte value);
  // Writes 1 to 10 into the test area and reads them back; true only if all ten came back.
  bool MemoryTest();

  // Clock. ReadClock returns the zero date-time when the instrument did not answer the address and
  // throws EConvertError when the cells do not form a valid date and time.
  TDateTime ReadClock();
  void SetClock();

  // Empties the record store; returns the reply to its last byte.
  Byte ClearMemory();
  // PAR from the actinic and measuring light levels.
  static int CalcPAR(int AL, int ML, bool MLFlag);

  // Settings list and its upload.
  void ClearSetup();
  void AddSetup(Byte first, Byte second);
  void WriteSetup();
};

// The one instrument object of the process.
extern TUniCtrl UniCtrl;

// Bit i becomes bit 7 - i: the clock cells cross the link in reversed bit order.
Byte BitReverse(Byte b);

// The settings table that Trans430 writes into the instrument at every start.
extern const std::array<TSetupPair, 26> StartupSettings;
