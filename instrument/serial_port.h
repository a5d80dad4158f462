#pragma once
// The serial port component: one port, the line settings the instrument link needs, and the
// byte-level operations of the channel. Back ends: termios (serial_termios.cpp) and an in-memory
// fake for tests (fake_port.h).

#include <stdexcept>
#include <string>

#include "typen.h"

// An error of the serial port; the message is the one the user sees.
class SerialError : public std::runtime_error {
 public:
  SerialError(const std::string& message, int code = 0, std::string device = {}, std::string reason = {});
  int Code() const { return m_code; }
  // The device file behind the port name, where one was involved.
  const std::string& Device() const { return m_device; }
  // The system's text for the code.
  const std::string& Reason() const { return m_reason; }

 private:
  int m_code;
  std::string m_device;
  std::string m_reason;
};

enum TBaudrate { br7200 = 7200, br19200 = 19200, brUser = 0 };
enum TParity { paNone, paOdd, paEven };
enum TDatabits { db7 = 7, db8 = 8 };
enum TStopbits { sb1 = 1, sb2 = 2 };

class TVaComm {
 public:
  static constexpr int ReadSize = 4096;       // receive buffer, bytes
  static constexpr int WriteSize = 2048;      // transmit buffer, bytes
  static constexpr int ReadTimeoutMs = 1000;  // bound of each single-byte read and write

  TVaComm() = default;
  TVaComm(const TVaComm&) = delete;
  TVaComm& operator=(const TVaComm&) = delete;
  virtual ~TVaComm() = default;  // every back end closes an open port in its destructor

  // Name pattern of the device; the port number replaces %d.
  void SetDeviceName(const std::string& pattern);
  const std::string& DeviceName() const { return m_deviceName; }
  // Port name formed from the pattern and the port number, for example "COM3".
  std::string PortName() const;

  void SetPortNum(int n);  // only while closed
  int PortNum() const { return m_portNum; }
  void SetDirectWrite(bool on);  // only while closed
  bool DirectWrite() const { return m_directWrite; }

  // Line settings: stored, applied at the next open (at once if open).
  void SetBaudrate(TBaudrate b);
  void SetUserBaudrate(int baud);
  void SetParity(TParity p);
  void SetDatabits(TDatabits d);
  void SetStopbits(TStopbits s);
  TBaudrate Baudrate() const { return m_baudrate; }
  // The line speed in force: 19200 for br19200, the user rate for brUser.
  int LineSpeed() const;

  void Open();   // throws SerialError; a failed open leaves the port closed
  void Close();  // nothing on a closed port
  bool IsOpen() const { return IsOpenImpl(); }

  int RxCount();     // received bytes not yet read; 0 when closed
  int TxCount();     // written bytes not yet transmitted; 0 when closed
  int TxFree();      // WriteSize - TxCount; 0 when closed
  // Hands one byte to the device; false if it was not written within ReadTimeoutMs or the port is closed.
  bool WriteByte(Byte b);
  // Takes the next received byte if one is waiting; never waits for one to arrive.
  bool ReadByte(Byte& b);

 protected:
  struct LineSettings {
    int Speed;
    TParity Parity;
    TDatabits Databits;
    TStopbits Stopbits;
  };
  LineSettings Settings() const;

  virtual void OpenImpl(const std::string& portName) = 0;
  virtual void CloseImpl() = 0;
  virtual bool IsOpenImpl() const = 0;
  virtual void ApplySettingsImpl() = 0;
  virtual int RxCountImpl() = 0;
  virtual int TxCountImpl() = 0;
  virtual bool WriteByteImpl(Byte b) = 0;
  virtual bool ReadByteImpl(Byte& b) = 0;

 private:
  void RequireClosed() const;
  void SettingsChanged();

  std::string m_deviceName = "COM%d";
  int m_portNum = 0;
  bool m_directWrite = true;
  TBaudrate m_baudrate = br19200;
  int m_userBaudrate = 19200;
  TParity m_parity = paNone;
  TDatabits m_databits = db8;
  TStopbits m_stopbits = sb1;
};

// The messages of the serial port (%d the system's error code, the last %s its text).
namespace SerialMessages {
inline constexpr const char* Open = "Unable to open specified device %s (%d), %s";
inline constexpr const char* Dcb = "Error writing dcb (%d), %s";
inline constexpr const char* Buffers = "Error initializing buffers (%d), %s";
inline constexpr const char* Timeouts = "Error setting timeouts (%d), %s";
inline constexpr const char* Statistics = "Error retrieving statistics (%d), %s";
inline constexpr const char* Write = "Write error (%d), %s";
inline constexpr const char* Read = "Read error (%d), %s";
inline constexpr const char* WhileOpen = "Can't perform this operation while port is open";
}  // namespace SerialMessages

// A SerialError from a message pattern with %d and %s, the system's error code and its text.
SerialError SystemError(const char* pattern, int code, const std::string& device = {});
// The open error for a port name and the device file behind it.
SerialError OpenError(const std::string& portName, int code, const std::string& device);

// The device that a port name stands for: the file or link of that name in the port folder (by
// default the program's own folder) when one exists there; otherwise COMn is /dev/ttyS(n-1).
std::string ResolvePortDevice(const std::string& portName);
// Where port names are looked up first; an empty folder restores the program's own folder.
void SetPortFolder(const std::string& folder);
std::string PortFolder();

// A short explanation of why a port would not open, for the user: "COM1 (/dev/ttyUSB0): permission
// denied; is the user in the dialout group?".
std::string OpenFailureDetail(const std::string& portName, const SerialError& e);

// The termios back end: a real serial device, or a pseudo-terminal, opened for exclusive use.
class TermiosComm : public TVaComm {
 public:
  TermiosComm() = default;
  ~TermiosComm() override;

 protected:
  void OpenImpl(const std::string& portName) override;
  void CloseImpl() override;
  bool IsOpenImpl() const override { return m_fd >= 0; }
  void ApplySettingsImpl() override;
  int RxCountImpl() override;
  int TxCountImpl() override;
  bool WriteByteImpl(Byte b) override;
  bool ReadByteImpl(Byte& b) override;

 private:
  int m_fd = -1;
  std::string m_device;
};
