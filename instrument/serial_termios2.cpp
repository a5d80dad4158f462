#include "serial_termios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

int ApplyLineSettings(int fd, int speed, int parity, int databits, int stopbits) {
  struct termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return errno;
  // Raw: no input or output processing, no echo, no signals, no software or hardware handshake.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                         IXOFF | IXANY | INPCK | IUCLC | IMAXBEL);
  tio.c_iflag |= IGNPAR;
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= CREAD | CLOCAL | (databits == 7 ? CS7 : CS8);
  if (stopbits == 2) tio.c_cflag |= CSTOPB;
  if (parity != 0) tio.c_cflag |= PARENB | (parity == 1 ? PARODD : 0);
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = static_cast<speed_t>(speed);
  tio.c_ospeed = static_cast<speed_t>(speed);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (ioctl(fd, TCSETS2, &tio) != 0) return errno;
  return 0;
}

int ReadLineSpeed(int fd) {
  struct termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return -1;
  return static_cast<int>(tio.c_ispeed ? tio.c_ispeed : tio.c_ospeed);
}
