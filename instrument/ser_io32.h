#pragma once
// The serial byte channel: the only path by which bytes reach and leave the instrument. Blocking
// single-byte operations with bounded waits on the GUI thread, and the two reopenings of the port
// at the instrument's line speeds. The channel refers to the port component; a window owns it.

#include "serial_port.h"

// True when the last ReceiveByte gave up without a byte.
extern bool RxTimeout;

// Binds the channel to a port component; must come before every other operation.
void AssignComm(TVaComm* port);
TVaComm* BoundPort();

// Reopen the bound port at 7200 or 19200 baud, 8N1. Errors of the open reach the caller.
void OpenPort7200();
void OpenPort19200();

bool RxReady();
// Sends one byte and returns when it has left the transmit queue (each wait bounded by the port's
// write time-out). On a closed port nothing is sent and it returns at once.
void SendByte(Byte value);
// The next received byte, or 0 after 20 polls spaced by Delay(1); sets RxTimeout.
Byte ReceiveByte();
// Discards the bytes waiting, at most one receive buffer's worth per call, so a device that floods
// the line cannot hold the program.
void DrainInput();
