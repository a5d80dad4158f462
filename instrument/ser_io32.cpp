#include "ser_io32.h"

#include <chrono>

#include "misc.h"

bool RxTimeout = false;

namespace {

TVaComm* g_port = nullptr;

void Reopen(TBaudrate rate, int userRate) {
  g_port->Close();
  g_port->SetDirectWrite(true);
  g_port->SetBaudrate(rate);
  if (rate == brUser) g_port->SetUserBaudrate(userRate);
  g_port->SetParity(paNone);
  g_port->SetDatabits(db8);
  g_port->SetStopbits(sb1);
  g_port->Open();
}

// Polls cond without pause until it holds or the port's write time-out has passed.
template <class Cond>
void WaitBounded(Cond cond) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TVaComm::ReadTimeoutMs);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return;
  }
}

}  // namespace

void AssignComm(TVaComm* port) { g_port = port; }
TVaComm* BoundPort() { return g_port; }

void OpenPort7200() { Reopen(brUser, 7200); }
void OpenPort19200() { Reopen(br19200, 19200); }

bool RxReady() { return g_port != nullptr && g_port->RxCount() > 0; }

void SendByte(Byte value) {
  if (g_port == nullptr || !g_port->IsOpen()) return;
  WaitBounded([] { return g_port->TxFree() > 0; });
  g_port->WriteByte(value);
  WaitBounded([] { return g_port->TxCount() == 0; });
}

Byte ReceiveByte() {
  RxTimeout = false;
  for (int poll = 0; poll < 20; ++poll) {
    if (RxReady()) {
      Byte b = 0;
      g_port->ReadByte(b);
      return b;
    }
    Delay(1);
  }
  RxTimeout = true;
  return 0;
}

void DrainInput() {
  for (int dropped = 0; dropped < TVaComm::ReadSize && RxReady(); ++dropped) ReceiveByte();
}
