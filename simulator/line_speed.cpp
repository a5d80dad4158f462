#include "line_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace {

int FromCode(unsigned code) {
  switch (code) {
    case B0: return 0;
    case B50: return 50;
    case B75: return 75;
    case B110: return 110;
    case B134: return 134;
    case B150: return 150;
    case B200: return 200;
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B1800: return 1800;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return -1;
  }
}

}  // namespace

int ReadLineSpeed(int fd) {
  struct termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return -1;
  // The PC sets any rate through BOTHER; a standard rate code counts as well. The receiving side
  // of the pseudo-terminal is what the instrument hears, so the output speed of the PC decides.
  const unsigned code = tio.c_cflag & CBAUD;
  if (code == BOTHER) return static_cast<int>(tio.c_ospeed);
  const int speed = FromCode(code);
  return speed >= 0 ? speed : static_cast<int>(tio.c_ospeed);
}
