#pragma once
// Line settings through termios2, which sets any line speed (7200 baud is not a standard rate).
// Kept apart because <asm/termbits.h> clashes with <termios.h>.

// Sets raw 8N1-style settings at the given speed on an open terminal. parity: 0 none, 1 odd,
// 2 even. Returns 0 or the errno of the failing call.
int ApplyLineSettings(int fd, int speed, int parity, int databits, int stopbits);
// The input speed set on a terminal (for a pseudo-terminal master: the speed its slave was set
// to), or -1 with errno set.
int ReadLineSpeed(int fd);
