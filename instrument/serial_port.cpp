#include "serial_port.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <cctype>

#include "misc.h"

SerialError::SerialError(const std::string& message, int code, std::string device, std::string reason)
    : std::runtime_error(message), m_code(code), m_device(std::move(device)), m_reason(std::move(reason)) {}

namespace {

// Fills a message pattern: "%d" takes the error code, the last "%s" the system's text for it and
// an earlier "%s" (the open message only) the port name.
std::string Format(std::string_view pattern, const std::string& name, int code, const std::string& reason) {
  const auto lastS = pattern.rfind("%s");
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "%s") == 0) {
      out += (i == lastS) ? reason : name;
      ++i;
    } else if (pattern.compare(i, 2, "%d") == 0) {
      out += std::to_string(code);
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string& PortFolderOverride() {
  static std::string folder;
  return folder;
}

}  // namespace

SerialError SystemError(const char* pattern, int code, const std::string& device) {
  const std::string reason = std::strerror(code);
  return SerialError(Format(pattern, {}, code, reason), code, device, reason);
}

SerialError OpenError(const std::string& portName, int code, const std::string& device) {
  const std::string reason = std::strerror(code);
  return SerialError(Format(SerialMessages::Open, portName, code, reason), code, device, reason);
}

void TVaComm::RequireClosed() const {
  if (IsOpen()) throw SerialError(SerialMessages::WhileOpen);
}

void TVaComm::SetDeviceName(const std::string& pattern) {
  RequireClosed();
  m_deviceName = pattern;
}

std::string TVaComm::PortName() const {
  std::string name = m_deviceName;
  const auto at = name.find("%d");
  if (at != std::string::npos) name.replace(at, 2, std::to_string(m_portNum));
  return name;
}

void TVaComm::SetPortNum(int n) {
  RequireClosed();
  m_portNum = n;
}

void TVaComm::SetDirectWrite(bool on) {
  RequireClosed();
  m_directWrite = on;
}

void TVaComm::SettingsChanged() {
  if (IsOpen()) ApplySettingsImpl();
}

void TVaComm::SetBaudrate(TBaudrate b) {
  m_baudrate = b;
  SettingsChanged();
}
void TVaComm::SetUserBaudrate(int baud) {
  m_userBaudrate = baud;
  SettingsChanged();
}
void TVaComm::SetParity(TParity p) {
  m_parity = p;
  SettingsChanged();
}
void TVaComm::SetDatabits(TDatabits d) {
  m_databits = d;
  SettingsChanged();
}
void TVaComm::SetStopbits(TStopbits s) {
  m_stopbits = s;
  SettingsChanged();
}

int TVaComm::LineSpeed() const { return m_baudrate == brUser ? m_userBaudrate : static_cast<int>(m_baudrate); }

TVaComm::LineSettings TVaComm::Settings() const { return {LineSpeed(), m_parity, m_databits, m_stopbits}; }

void TVaComm::Open() {
  RequireClosed();
  OpenImpl(PortName());
}

void TVaComm::Close() {
  if (IsOpen()) CloseImpl();
}

int TVaComm::RxCount() { return IsOpen() ? RxCountImpl() : 0; }
int TVaComm::TxCount() { return IsOpen() ? TxCountImpl() : 0; }
int TVaComm::TxFree() { return IsOpen() ? WriteSize - TxCountImpl() : 0; }
bool TVaComm::WriteByte(Byte b) { return IsOpen() && WriteByteImpl(b); }
bool TVaComm::ReadByte(Byte& b) { return IsOpen() && ReadByteImpl(b); }

void SetPortFolder(const std::string& folder) {
  std::string f = folder;
  if (!f.empty() && f.back() != '/') f += '/';
  PortFolderOverride() = f;
}

std::string PortFolder() { return PortFolderOverride().empty() ? ProgramFolder() : PortFolderOverride(); }

std::string ResolvePortDevice(const std::string& portName) {
  if (portName.find('/') != std::string::npos) return portName;
  const std::string beside = PortFolder() + portName;
  struct stat st{};
  if (lstat(beside.c_str(), &st) == 0) return beside;
  if (portName.size() > 3 && portName.compare(0, 3, "COM") == 0) {
    char* end = nullptr;
    const long n = std::strtol(portName.c_str() + 3, &end, 10);
    if (end && *end == '\0' && n >= 1 && n < 1000) return "/dev/ttyS" + std::to_string(n - 1);
  }
  return beside;
}

std::string OpenFailureDetail(const std::string& portName, const SerialError& e) {
  std::string device = e.Device().empty() ? ResolvePortDevice(portName) : e.Device();
  // A link beside the program (a USB adapter, the simulator) is shown by what it points at.
  char target[PATH_MAX];
  const ssize_t n = readlink(device.c_str(), target, sizeof target - 1);
  if (n > 0) device = std::string(target, static_cast<size_t>(n));
  std::string why;
  switch (e.Code()) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      why = "no such device";
      break;
    case EACCES:
    case EPERM:
      why = "permission denied; is the user in the dialout group?";
      break;
    case EBUSY:
    case EWOULDBLOCK:
      why = "in use by another program";
      break;
    default:
      why = e.Reason().empty() ? std::string(e.what()) : e.Reason();
      if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
  }
  return portName + " (" + device + "): " + why;
}
