#pragma once
// The line speed that the PC side has set on the pseudo-terminal, read from the master side.
// Kept apart because <asm/termbits.h>, which has termios2, clashes with <termios.h>.

// Baud, or -1 when the speed cannot be read.
int ReadLineSpeed(int fd);
