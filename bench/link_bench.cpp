// Instrument link figures: how closely a calibrated Delay(1000) matches one second, and what one
// exchange (SendByte plus ReceiveByte) costs through the termios back end on a pseudo-terminal
// against a peer that echoes every byte at once.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "misc.h"
#include "ser_io32.h"
#include "serial_port.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

void DelayAccuracy() {
  CalibrateDelay();
  std::vector<double> ratios;
  for (int run = 0; run < 7; ++run) {
    const auto t0 = Clock::now();
    Delay(1000);
    ratios.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  std::printf("Delay(1000) / 1 s after calibration: median %.3f (min %.3f, max %.3f, 7 runs), LoopsPerMs %d\n",
              Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
              *std::max_element(ratios.begin(), ratios.end()), LoopsPerMs);
}

void ExchangeCost() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::printf("no pseudo-terminal\n");
    return;
  }
  const int hold = open(ptsname(master), O_RDWR | O_NOCTTY);
  const fs::path folder = fs::temp_directory_path() / ("qelt-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::create_symlink(ptsname(master), folder / "COM1");
  SetPortFolder(folder.string());

  std::atomic<bool> stop{false};
  std::thread echo([&] {
    unsigned char b;
    while (!stop) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 50) > 0 && read(master, &b, 1) == 1) (void)!write(master, &b, 1);
    }
  });

  TermiosComm port;
  port.SetPortNum(1);
  AssignComm(&port);
  OpenPort19200();
  constexpr int kExchanges = 3000;
  std::vector<double> us;
  us.reserve(kExchanges);
  int lost = 0;
  for (int i = 0; i < kExchanges; ++i) {
    const auto t0 = Clock::now();
    SendByte(static_cast<Byte>(i));
    const Byte b = ReceiveByte();
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    if (RxTimeout || b != static_cast<Byte>(i)) ++lost;
  }
  port.Close();
  stop = true;
  echo.join();
  std::printf("one exchange through termios on a pseudo-terminal: median %.1f us, p10 %.1f us, p90 %.1f us, "
              "max %.1f us (%d exchanges, %d lost)\n",
              Median(us), Percentile(us, 0.1), Percentile(us, 0.9), *std::max_element(us.begin(), us.end()),
              kExchanges, lost);
  fs::remove_all(folder);
  close(hold);
  close(master);
}

}  // namespace

int main() {
  DelayAccuracy();
  ExchangeCost();
  return 0;
}
