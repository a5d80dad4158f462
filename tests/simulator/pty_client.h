#pragma once
// A small serial client for the end-to-end tests of qelt430-sim: raw 8N1 at any line speed
// (termios2 with BOTHER, kept in its own source file because <asm/termbits.h> clashes with
// <termios.h>), single bytes with a bounded wait.

#include <cstdint>
#include <optional>
#include <string>

class PtyClient {
 public:
  PtyClient() = default;
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;
  ~PtyClient() { Close(); }

  // Opens the device and sets raw 8N1 at `speed`; returns errno, 0 on success.
  int Open(const std::string& path, int speed);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  // Sets the line speed on the open port.
  bool SetSpeed(int speed);
  bool SetExclusive();

  bool Send(std::uint8_t b);
  // The next byte, or nothing when none came within timeoutMs. `error` gets errno of a failing
  // read (EIO once the line has gone), or 0.
  std::optional<std::uint8_t> Receive(int timeoutMs = 5000, int* error = nullptr);
  // Send, then the reply.
  std::optional<std::uint8_t> Exchange(std::uint8_t b, int timeoutMs = 5000);

 private:
  int m_fd = -1;
};
