// The termios back end of the serial port component.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "serial_port.h"
#include "serial_termios2.h"

namespace {

int ParityCode(TParity p) { return p == paOdd ? 1 : p == paEven ? 2 : 0; }

// Modem-line and exclusivity calls that a pseudo-terminal or a plain file refuses are not errors.
bool Refused(int err) { return err == ENOTTY || err == EINVAL || err == ENOTSUP; }

}  // namespace

TermiosComm::~TermiosComm() { Close(); }

void TermiosComm::OpenImpl(const std::string& portName) {
  const std::string device = ResolvePortDevice(portName);
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw OpenError(portName, errno, device);

  auto fail = [&](SerialError e) {
    ::close(fd);
    throw e;
  };
  // Exclusive use. The advisory lock holds against every program that locks, root included; the
  // terminal's exclusive mode stops other opens of non-root programs.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno == EWOULDBLOCK ? EBUSY : errno;
    fail(OpenError(portName, err, device));
  }
  if (::ioctl(fd, TIOCEXCL) != 0 && !Refused(errno)) fail(OpenError(portName, errno, device));

  m_fd = fd;
  m_device = device;
  const LineSettings s = Settings();
  if (const int err = ApplyLineSettings(fd, s.Speed, ParityCode(s.Parity), s.Databits, s.Stopbits)) {
    CloseImpl();
    throw SystemError(SerialMessages::Dcb, err, device);
  }
  // DTR and RTS are held inactive while the port is open.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (::ioctl(fd, TIOCMBIC, &lines) != 0 && !Refused(errno)) {
    const int err = errno;
    CloseImpl();
    throw SystemError(SerialMessages::Dcb, err, device);
  }
  // Whatever waited on the line from before the open was sent at an unknown speed.
  ::tcflush(fd, TCIOFLUSH);
}

void TermiosComm::CloseImpl() {
  const int fd = m_fd;
  m_fd = -1;
  // A stuck adapter must not hold the close: give the transmit queue the write time-out, then drop it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReadTimeoutMs);
  int queued = 0;
  while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && std::chrono::steady_clock::now() < deadline) {
  }
  ::tcflush(fd, TCOFLUSH);
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

void TermiosComm::ApplySettingsImpl() {
  const LineSettings s = Settings();
  if (const int err = ApplyLineSettings(m_fd, s.Speed, ParityCode(s.Parity), s.Databits, s.Stopbits))
    throw SystemError(SerialMessages::Dcb, err, m_device);
}

int TermiosComm::RxCountImpl() {
  int n = 0;
  if (::ioctl(m_fd, FIONREAD, &n) != 0) throw SystemError(SerialMessages::Statistics, errno, m_device);
  return n;
}

int TermiosComm::TxCountImpl() {
  int n = 0;
  if (::ioctl(m_fd, TIOCOUTQ, &n) != 0) throw SystemError(SerialMessages::Statistics, errno, m_device);
  return n;
}

bool TermiosComm::WriteByteImpl(Byte b) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReadTimeoutMs);
  for (;;) {
    const ssize_t n = ::write(m_fd, &b, 1);
    if (n == 1) return true;
    if (n < 0 && errno != EAGAIN && errno != EINTR) throw SystemError(SerialMessages::Write, errno, m_device);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;  // not written within the write time-out
    pollfd p{m_fd, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left.count()));
  }
}

bool TermiosComm::ReadByteImpl(Byte& b) {
  const ssize_t n = ::read(m_fd, &b, 1);
  if (n == 1) return true;
  if (n < 0 && errno != EAGAIN && errno != EINTR) throw SystemError(SerialMessages::Read, errno, m_device);
  return false;
}
