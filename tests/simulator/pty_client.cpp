#include "pty_client.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

int PtyClient::Open(const std::string& path, int speed) {
  Close();
  m_fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (m_fd < 0) return errno;
  if (!SetSpeed(speed)) {
    const int e = errno;
    Close();
    return e;
  }
  return 0;
}

void PtyClient::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
}

bool PtyClient::SetSpeed(int speed) {
  struct termios2 tio{};
  if (ioctl(m_fd, TCGETS2, &tio) != 0) return false;
  tio.c_iflag = IGNPAR;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  tio.c_cflag = CS8 | CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(speed);
  tio.c_ospeed = static_cast<speed_t>(speed);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return ioctl(m_fd, TCSETS2, &tio) == 0;
}

bool PtyClient::SetExclusive() { return ioctl(m_fd, TIOCEXCL) == 0; }

bool PtyClient::Send(std::uint8_t b) { return write(m_fd, &b, 1) == 1; }

std::optional<std::uint8_t> PtyClient::Receive(int timeoutMs, int* error) {
  if (error) *error = 0;
  pollfd p{m_fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
  std::uint8_t b = 0;
  const ssize_t n = read(m_fd, &b, 1);
  if (n == 1) return b;
  if (error) *error = n < 0 ? errno : EIO;
  return std::nullopt;
}

std::optional<std::uint8_t> PtyClient::Exchange(std::uint8_t b, int timeoutMs) {
  if (!Send(b)) return std::nullopt;
  return Receive(timeoutMs);
}
