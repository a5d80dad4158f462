#include "uni_ctrl.h"

#include <cctype>
#include <string>

#include "misc.h"
#include "ser_io32.h"
#include "zeit.h"

TUniCtrl UniCtrl;

const std::array<TSetupPair, 26> StartupSettings = {{
    {0, 4},     {1, 0x91},   {2, 5},     {22, 4},    {23, 2},    {42, 4},    {43, 0x92},
    {62, 4},    {63, 0x93},  {82, 4},    {83, 0x94}, {102, 4},   {103, 0x95}, {122, 4},
    {123, 0x96}, {142, 4},   {143, 0x97}, {162, 4},  {163, 0x98}, {182, 4},  {183, 0x99},
    {202, 4},   {203, 0x9A}, {222, 4},   {223, 2},   {223, 5},
}};

Byte BitReverse(Byte b) {
  Byte r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r = static_cast<Byte>(r | (0x80u >> i));
  return r;
}

TUniCtrl::TUniCtrl() : Mode(mdLocal), SetupCount(0), SetupPairs{} { ClearSetup(); }

namespace {
// Enter remote mode: the link byte at 7200 baud, then the instrument talks at 19200 baud.
void EnterRemote() {
  SendByte(LinkEnterRemote);
  Delay(100);
  DrainInput();
  OpenPort19200();
}

void LeaveRemote() {
  SendByte(LinkLeaveRemote);
  Delay(1000);
}
}  // namespace

void TUniCtrl::SetMode(Byte target) {
  if (target == Mode) return;
  DrainInput();
  switch (target) {
    case mdLocal:
      if (Mode == mdListen) EnterRemote();  // the port is at 7200 baud here
      LeaveRemote();
      break;
    case mdListen:
      if (Mode == mdRemote) LeaveRemote();
      DrainInput();
      OpenPort7200();
      break;
    case mdRemote:
      OpenPort7200();
      EnterRemote();
      break;
    default:
      return;  // not a link mode
  }
  Mode = target;
}

Byte TUniCtrl::SetAddress(int line) {
  DrainInput();
  int high = line / 256;
  if (high > 15) high = 15;
  SendByte(static_cast<Byte>(0x30 + high));
  ReceiveByte();
  SendByte(static_cast<Byte>((line - 256 * high) & 0xFF));
  return ReceiveByte();
}

Byte TUniCtrl::ReadAt(Byte offset) {
  SendByte(static_cast<Byte>(0xB0 + offset));
  return ReceiveByte();
}

Byte TUniCtrl::ReadNext() {
  DrainInput();
  SendByte(0xA8);
  return ReceiveByte();
}

namespace {
Byte WriteCommand(Byte command, Byte value) {
  DrainInput();
  SendByte(command);
  ReceiveByte();
  SendByte(value);
  return ReceiveByte();
}
}  // namespace

Byte TUniCtrl::WriteAt(Byte value) { return WriteCommand(0x29, value); }
Byte TUniCtrl::WriteNext(Byte value) { return WriteCommand(0x2D, value); }

bool TUniCtrl::MemoryTest() {
  SetAddress(MemoryMap::TestLine);
  ReadAt(0);
  for (int i = 1; i <= 10; ++i) WriteNext(static_cast<Byte>(i));
  SetAddress(MemoryMap::TestLine);
  ReadAt(0);
  bool ok = true;
  for (int i = 1; i <= 10; ++i) ok = (ReadNext() == i) && ok;  // all ten are read, also after a mismatch
  return ok;
}

namespace {

int TwoDecimalDigits(const std::string& s, size_t at, bool& ok) {
  const char a = s[at], b = s[at + 1];
  if (!std::isdigit(static_cast<unsigned char>(a)) || !std::isdigit(static_cast<unsigned char>(b))) ok = false;
  return (a - '0') * 10 + (b - '0');
}

}  // namespace

TDateTime TUniCtrl::ReadClock() {
  SetAddress(MemoryMap::ClockLine);
  if (RxTimeout) return TDateTime{};
  std::string digits[8];
  for (const int cell : {5, 6, 7, 3, 2, 1}) digits[cell] = ByteToHex(BitReverse(ReadAt(static_cast<Byte>(cell))));
  const std::string text = digits[5] + "/" + digits[6] + "/" + digits[7] + " " + digits[3] + ":" + digits[2] + ":" +
                           digits[1];
  DateSeparator = '/';

  bool ok = true;
  TDateTime t;
  t.Day = TwoDecimalDigits(text, 0, ok);
  t.Month = TwoDecimalDigits(text, 3, ok);
  const int yy = TwoDecimalDigits(text, 6, ok);
  t.Hour = TwoDecimalDigits(text, 9, ok);
  t.Minute = TwoDecimalDigits(text, 12, ok);
  t.Second = TwoDecimalDigits(text, 15, ok);
  // Two-digit years lie within 50 years of the current year.
  const int pivot = PcNow().Year - 50;
  t.Year = yy + 100 * (pivot / 100);
  if (t.Year < pivot) t.Year += 100;
  if (!ok || !IsValidDate(t.Year, t.Month, t.Day) || t.Hour > 23 || t.Minute > 59 || t.Second > 59)
    throw EConvertError("'" + text + "' is not a valid date and time");
  return t;
}

void TUniCtrl::SetClock() {
  // One reading of the PC clock for date and time, so a set just before midnight cannot combine
  // one day's date with the next day's time.
  const PcTime now = PcNow();
  const std::string date = DateText(now);
  const std::string time = TimeText(now);
  const std::string fields[6] = {time.substr(6, 2), time.substr(3, 2), time.substr(0, 2),
                                 date.substr(0, 2), date.substr(3, 2), date.substr(6, 2)};
  static constexpr Byte kCells[6] = {1, 2, 3, 5, 6, 7};

  SetAddress(MemoryMap::ClockLine);
  ReadAt(0);
  WriteAt(BitReverse(0x80));
  for (int i = 0; i < 6; ++i) {
    ReadAt(kCells[i]);
    WriteAt(BitReverse(static_cast<Byte>(HexToInt(fields[i]))));
  }
  ReadAt(0);
  WriteAt(BitReverse(0x01));
}

Byte TUniCtrl::ClearMemory() {
  SetAddress(MemoryMap::RecordCountLine);
  ReadAt(0);
  WriteAt(0);
  DrainInput();
  SendByte(0xAB);
  return ReceiveByte();
}

int TUniCtrl::CalcPAR(int AL, int ML, bool MLFlag) {
  static constexpr int kALParTable[12] = {0, 50, 80, 110, 140, 200, 300, 430, 590, 840, 1240, 1850};
  static constexpr int kMLParTable[16] = {0, 2, 3, 5, 7, 9, 10, 12, 14, 16, 18, 19, 21, 23, 25, 27};
  const int a = AL < 0 ? 0 : AL > 11 ? 11 : AL;
  const int m = ML < 0 ? 0 : ML > 15 ? 15 : ML;
  int p = kALParTable[a];
  if (a > 0 || MLFlag) p += kMLParTable[m];
  return p;
}

void TUniCtrl::ClearSetup() { SetupCount = 0; }

void TUniCtrl::AddSetup(Byte first, Byte second) {
  if (SetupCount >= MaxSetup) return;
  SetupPairs[static_cast<size_t>(SetupCount)] = {first, second};
  ++SetupCount;
}

void TUniCtrl::WriteSetup() {
  if (SetupCount == 0) return;
  SetAddress(MemoryMap::SettingsLine);
  ReadAt(0);
  WriteNext(static_cast<Byte>(SetupCount));
  for (int i = 0; i < SetupCount; ++i) {
    const TSetupPair& p = SetupPairs[static_cast<size_t>(i)];
    ReadAt(0);
    WriteAt(p.First);
    ReadAt(1);
    WriteNext(p.Second);
  }
}
