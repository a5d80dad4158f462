#pragma once
// An in-memory serial port for tests. It records every event on the line (open and close with the
// line speed, every byte written with the speed in force) and takes its replies from a responder,
// normally the instrument model.

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "serial_port.h"

struct PortEvent {
  enum Kind { Open, Close, Write };
  Kind What;
  int Speed;       // line speed in force
  Byte Value = 0;  // the byte, for Write
  friend bool operator==(const PortEvent&, const PortEvent&) = default;
};

class FakeComm : public TVaComm {
 public:
  // Called for every byte written, with the line speed in force; returns the bytes that arrive in reply.
  using Responder = std::function<std::vector<Byte>(Byte value, int speed)>;

  FakeComm() = default;
  ~FakeComm() override;

  Responder Reply;
  // Bytes waiting in the receive queue.
  std::deque<Byte> Rx;
  std::vector<PortEvent> Events;

  // Faults.
  std::optional<SerialError> OpenFailure;  // every open fails with this error
  bool Flood = false;                      // an endless stream of incoming bytes (0x55)
  bool StuckTransmit = false;              // written bytes never leave the transmit queue
  int VanishAfterWrites = -1;              // after this many writes the device is gone

  // Counters the tests look at.
  int RxPolls = 0;  // calls of the receive count
  int Writes = 0;

  void Inject(const std::vector<Byte>& bytes) { Rx.insert(Rx.end(), bytes.begin(), bytes.end()); }
  // The bytes written, in order, and the same with the line speed of each.
  std::vector<Byte> Written() const;
  std::vector<std::pair<Byte, int>> WrittenWithSpeed() const;
  void ClearLog() { Events.clear(); }

 protected:
  void OpenImpl(const std::string& portName) override;
  void CloseImpl() override;
  bool IsOpenImpl() const override { return m_open; }
  void ApplySettingsImpl() override {}
  int RxCountImpl() override;
  int TxCountImpl() override;
  bool WriteByteImpl(Byte b) override;
  bool ReadByteImpl(Byte& b) override;

 private:
  bool m_open = false;
  bool m_gone = false;
  int m_stuck = 0;
};
