#include "fake_port.h"

#include <cerrno>

FakeComm::~FakeComm() { Close(); }

std::vector<Byte> FakeComm::Written() const {
  std::vector<Byte> out;
  for (const PortEvent& e : Events)
    if (e.What == PortEvent::Write) out.push_back(e.Value);
  return out;
}

std::vector<std::pair<Byte, int>> FakeComm::WrittenWithSpeed() const {
  std::vector<std::pair<Byte, int>> out;
  for (const PortEvent& e : Events)
    if (e.What == PortEvent::Write) out.emplace_back(e.Value, e.Speed);
  return out;
}

void FakeComm::OpenImpl(const std::string& portName) {
  if (OpenFailure) throw *OpenFailure;
  if (m_gone) throw OpenError(portName, ENOENT, "/dev/fake");
  m_open = true;
  m_stuck = 0;
  Rx.clear();  // like the termios back end, an open starts with empty queues
  Events.push_back({PortEvent::Open, LineSpeed()});
}

void FakeComm::CloseImpl() {
  m_open = false;
  Events.push_back({PortEvent::Close, LineSpeed()});
}

int FakeComm::RxCountImpl() {
  ++RxPolls;
  if (m_gone) throw SystemError(SerialMessages::Statistics, EIO, "/dev/fake");
  if (Flood) return ReadSize;
  return static_cast<int>(Rx.size());
}

int FakeComm::TxCountImpl() {
  if (m_gone) throw SystemError(SerialMessages::Statistics, EIO, "/dev/fake");
  return StuckTransmit ? m_stuck : 0;
}

bool FakeComm::WriteByteImpl(Byte b) {
  if (m_gone) throw SystemError(SerialMessages::Write, EIO, "/dev/fake");
  ++Writes;
  Events.push_back({PortEvent::Write, LineSpeed(), b});
  if (StuckTransmit) {
    ++m_stuck;
    return true;
  }
  if (Reply) Inject(Reply(b, LineSpeed()));
  if (VanishAfterWrites >= 0 && Writes >= VanishAfterWrites) m_gone = true;
  return true;
}

bool FakeComm::ReadByteImpl(Byte& b) {
  if (m_gone) throw SystemError(SerialMessages::Read, EIO, "/dev/fake");
  if (Flood) {
    b = 0x55;
    return true;
  }
  if (Rx.empty()) return false;
  b = Rx.front();
  Rx.pop_front();
  return true;
}
