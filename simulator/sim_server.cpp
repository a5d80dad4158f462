#include "sim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <stdexcept>

#include "line_speed.h"
#include "memory_image.h"

namespace {

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kNsPerS = 1'000'000'000;
// A garbage flood (without --pace) writes this many bytes every millisecond.
constexpr int kFloodChunk = 256;
// At the vanish fault, how long the last replies may wait to be read before the line goes.
constexpr std::int64_t kVanishGraceNs = 2000 * kNsPerMs;

std::int64_t MonoNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * kNsPerS + ts.tv_nsec;
}

std::string SysError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Character time: 10 bit times (start bit, 8 data bits, stop bit).
std::int64_t CharTimeNs(int speed) { return speed > 0 ? 10 * kNsPerS / speed : 0; }

class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return m_fd; }
  void Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd;
};

// The byte log: time since start in seconds, direction, byte in hexadecimal, line speed.
class ByteLog {
 public:
  explicit ByteLog(const std::string& path) : m_start(MonoNs()) {
    if (path.empty()) return;
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file) throw std::runtime_error(SysError("cannot create log " + path));
  }
  ByteLog(const ByteLog&) = delete;
  ByteLog& operator=(const ByteLog&) = delete;
  ~ByteLog() {
    if (m_file) std::fclose(m_file);
  }
  void Byte(const char* direction, std::uint8_t b, int speed, const char* note = nullptr) {
    if (!m_file) return;
    Stamp();
    std::fprintf(m_file, "%s %02X %d%s%s\n", direction, b, speed, note ? " " : "", note ? note : "");
    std::fflush(m_file);
  }
  void Note(const std::string& text) {
    if (!m_file) return;
    Stamp();
    std::fprintf(m_file, "# %s\n", text.c_str());
    std::fflush(m_file);
  }

 private:
  void Stamp() {
    const std::int64_t us = (MonoNs() - m_start) / 1000;
    std::fprintf(m_file, "%6" PRId64 ".%06" PRId64 " ", us / 1'000'000, us % 1'000'000);
  }
  std::FILE* m_file = nullptr;
  std::int64_t m_start;
};

class PortLink {
 public:
  PortLink(std::string path, std::string target) : m_path(std::move(path)), m_target(std::move(target)) {
    struct stat st{};
    if (lstat(m_path.c_str(), &st) == 0) {
      const std::string old = ReadLink(m_path);
      if (!S_ISLNK(st.st_mode) || old.rfind("/dev/pts/", 0) != 0)
        throw std::runtime_error(m_path + " exists and is not a link of the simulator" +
                                 (old.empty() ? std::string() : " (it points to " + old + ")") +
                                 "; remove it or choose another port with --port");
      std::fprintf(stderr, "qelt430-sim: replacing the earlier link %s -> %s\n", m_path.c_str(), old.c_str());
    }
    const std::string temp = m_path + ".new" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (symlink(m_target.c_str(), temp.c_str()) != 0) throw std::runtime_error(SysError("cannot create " + temp));
    if (std::rename(temp.c_str(), m_path.c_str()) != 0) {
      const std::string message = SysError("cannot create " + m_path);
      ::unlink(temp.c_str());
      throw std::runtime_error(message);
    }
  }
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;
  // Removes the link unless someone has put another one in its place meanwhile.
  ~PortLink() {
    if (ReadLink(m_path) == m_target) ::unlink(m_path.c_str());
  }

 private:
  static std::string ReadLink(const std::string& path) {
    char buf[4096];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
  }
  std::string m_path;
  std::string m_target;
};

class Server {
 public:
  Server(const SimOptions& o, InstrumentModel& model, ByteLog& log, int signalFd, int master, int slave, int notify)
      : m_opt(o), m_model(model), m_log(log), m_signal(signalFd), m_master(master), m_slave(slave), m_notify(notify) {}

  // Serves until a stop signal or the vanish fault.
  void Run();

 private:
  struct Outgoing {
    std::int64_t Due;
    std::uint8_t Byte;
  };

  void HandleNotify();
  void ReadLine();
  void Schedule(std::uint8_t reply, int speed, std::int64_t heardAt);
  void SendDue(std::int64_t now);
  void SendGarbage(std::int64_t now);
  void Discard();
  bool Vanish(std::int64_t now);
  void Write(const std::uint8_t* bytes, std::size_t n, int speed, const char* what);

  const SimOptions& m_opt;
  InstrumentModel& m_model;
  ByteLog& m_log;
  int m_signal, m_master, m_slave, m_notify;

  int m_openers = 0;  // PC descriptors open on the slave
  std::deque<Outgoing> m_out;
  std::int64_t m_rxFree = 0;  // paced line: when the incoming and outgoing sides are free again
  std::int64_t m_txFree = 0;
  std::int64_t m_nextGarbage = 0;
  std::uint32_t m_noise = 0x2545F491u;
  long m_received = 0;
  bool m_stop = false;
  bool m_vanishing = false;
  std::int64_t m_vanishSince = 0;
  bool m_replySeen = false;  // vanishing: the last replies have been seen in the slave's queue
};

void Server::Run() {
  while (!m_stop) {
    const std::int64_t now = MonoNs();
    SendDue(now);
    if (m_opt.Garbage) SendGarbage(now);
    if (m_vanishing && Vanish(now)) return;

    std::int64_t wake = -1;
    if (!m_out.empty()) wake = m_out.front().Due;
    if (m_opt.Garbage && m_openers > 0) wake = wake < 0 ? m_nextGarbage : std::min(wake, m_nextGarbage);
    if (m_vanishing) wake = now + kNsPerMs;
    timespec timeout{};
    timespec* pt = nullptr;
    if (wake >= 0) {
      const std::int64_t wait = std::max<std::int64_t>(0, wake - now);
      timeout.tv_sec = wait / kNsPerS;
      timeout.tv_nsec = wait % kNsPerS;
      pt = &timeout;
    }
    pollfd fds[3] = {{m_signal, POLLIN, 0}, {m_notify, POLLIN, 0}, {m_master, POLLIN, 0}};
    const nfds_t n = m_vanishing ? 2 : 3;  // a vanishing instrument hears nothing more
    if (ppoll(fds, n, pt, nullptr) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(SysError("poll"));
    }
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info{};
      if (read(m_signal, &info, sizeof info) > 0) m_log.Note("stopped by signal " + std::to_string(info.ssi_signo));
      m_stop = true;
    }
    // Opens and closes first: they happened before the bytes that the PC wrote after them.
    if (fds[1].revents & POLLIN) HandleNotify();
    if (n > 2 && (fds[2].revents & POLLIN)) ReadLine();
    if (n > 2 && (fds[2].revents & (POLLERR | POLLHUP)) && !(fds[2].revents & POLLIN))
      throw std::runtime_error("the pseudo-terminal failed");
  }
}

void Server::HandleNotify() {
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = read(m_notify, buf, sizeof buf);
    if (n <= 0) return;
    for (char* p = buf; p < buf + n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(p);
      p += sizeof(inotify_event) + e->len;
      if (e->mask & IN_Q_OVERFLOW) {
        // Opens and closes were lost; take the port as open so that replies still go out.
        m_log.Note("port events lost; assuming the port is open");
        m_openers = std::max(m_openers, 1);
      }
      if (e->mask & IN_OPEN) {
        ++m_openers;
        Discard();
        m_log.Note("port opened (" + std::to_string(m_openers) + " open)");
      }
      if (e->mask & IN_CLOSE) {
        m_openers = std::max(0, m_openers - 1);
        if (m_openers == 0) {
          if (ioctl(m_slave, TIOCNXCL) != 0) m_log.Note(SysError("TIOCNXCL"));
          Discard();
        }
        m_log.Note("port closed (" + std::to_string(m_openers) + " open)");
      }
    }
  }
}

// Drops the replies not yet read and those not yet sent.
void Server::Discard() {
  tcflush(m_slave, TCIFLUSH);
  m_out.clear();
  m_rxFree = m_txFree = 0;
}

void Server::ReadLine() {
  std::uint8_t buf[256];
  const ssize_t n = read(m_master, buf, sizeof buf);
  if (n < 0) {
    if (errno == EAGAIN || errno == EINTR || errno == EIO) return;
    throw std::runtime_error(SysError("read from the pseudo-terminal"));
  }
  const std::int64_t now = MonoNs();
  for (ssize_t i = 0; i < n; ++i) {
    const int speed = ReadLineSpeed(m_master);
    const std::optional<std::uint8_t> reply = m_model.Receive(buf[i], speed);
    m_log.Byte("pc>sim", buf[i], speed, reply || m_opt.Garbage ? nullptr : "(no reply)");
    const std::int64_t ct = m_opt.Pace ? CharTimeNs(speed) : 0;
    const std::int64_t heard = std::max(now, m_rxFree) + ct;  // the byte's last bit is in
    m_rxFree = heard;
    if (reply && !m_opt.Garbage) Schedule(*reply, speed, heard);
    if (m_opt.VanishAfter > 0 && ++m_received >= m_opt.VanishAfter) {
      m_vanishing = true;
      m_vanishSince = MonoNs();
      return;  // the rest of the bytes go nowhere
    }
  }
}

void Server::Schedule(std::uint8_t reply, int speed, std::int64_t heardAt) {
  std::int64_t due = std::max(heardAt, m_txFree) + (m_opt.Pace ? CharTimeNs(speed) : 0);
  m_txFree = due;
  due += m_opt.LateMs * kNsPerMs;
  if (!m_out.empty()) due = std::max(due, m_out.back().Due);
  m_out.push_back({due, reply});
}

void Server::SendDue(std::int64_t now) {
  while (!m_out.empty() && m_out.front().Due <= now) {
    const std::uint8_t b = m_out.front().Byte;
    m_out.pop_front();
    Write(&b, 1, ReadLineSpeed(m_master), "sim>pc");
  }
}

void Server::SendGarbage(std::int64_t now) {
  if (m_openers == 0) {
    m_nextGarbage = now;
    return;
  }
  if (now < m_nextGarbage) return;
  const int speed = ReadLineSpeed(m_master);
  std::uint8_t chunk[kFloodChunk];
  std::size_t n = 0;
  if (m_opt.Pace) {
    const std::int64_t ct = std::max<std::int64_t>(CharTimeNs(speed), 1);
    while (m_nextGarbage <= now && n < sizeof chunk) {
      m_nextGarbage = std::max(m_nextGarbage, now - 10 * kNsPerMs) + ct;
      ++n;
    }
  } else {
    n = sizeof chunk;
    m_nextGarbage = now + kNsPerMs;
  }
  for (std::size_t i = 0; i < n; ++i) {
    m_noise = m_noise * 1664525u + 1013904223u;  // a plain linear congruential generator
    chunk[i] = static_cast<std::uint8_t>(m_noise >> 24);
  }
  Write(chunk, n, speed, "sim>pc");
}

void Server::Write(const std::uint8_t* bytes, std::size_t n, int speed, const char* what) {
  if (m_openers == 0) {
    for (std::size_t i = 0; i < n; ++i) m_log.Byte(what, bytes[i], speed, "(dropped: port closed)");
    return;
  }
  const ssize_t w = write(m_master, bytes, n);
  const std::size_t sent = w > 0 ? static_cast<std::size_t>(w) : 0;
  for (std::size_t i = 0; i < n; ++i) m_log.Byte(what, bytes[i], speed, i < sent ? nullptr : "(dropped: line full)");
}

// The vanish fault: once the last replies are out and the PC has read them (or after a grace
// period), the line goes. A reply written to the master reaches the slave's queue a moment later,
// so the queue must have been seen holding it before its being empty counts.
bool Server::Vanish(std::int64_t now) {
  const bool graceOver = now - m_vanishSince >= kVanishGraceNs;
  if (!graceOver) {
    if (!m_out.empty()) return false;
    int waiting = 0;
    if (m_openers > 0 && ioctl(m_slave, FIONREAD, &waiting) == 0) {
      if (waiting > 0) m_replySeen = true;
      if (waiting > 0 || !m_replySeen) return false;
    }
  }
  m_log.Note("vanished after " + std::to_string(m_received) + " bytes");
  return true;
}

void SetClockFromPc(InstrumentModel& model) {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  model.SetClock(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

int Serve(const SimOptions& o, const std::string& programFolder) {
  InstrumentModel model;
  if (o.Demo) model.LoadDemo();
  if (!o.LoadPath.empty()) {
    const bool exists = access(o.LoadPath.c_str(), F_OK) == 0;
    if (exists && o.Demo) throw std::runtime_error("--demo and the existing memory image " + o.LoadPath + " exclude each other");
    if (exists || !o.LoadIfExists) LoadImageFile(model, o.LoadPath);
  }
  SetClockFromPc(model);
  model.SetFaults(o.ModelFaults);

  const sigset_t signals = StopSignals();
  Fd signalFd(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
  if (signalFd.get() < 0) throw std::runtime_error(SysError("signalfd"));

  ByteLog log(o.LogPath);

  Fd master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (master.get() < 0) throw std::runtime_error(SysError("cannot open a pseudo-terminal"));
  if (grantpt(master.get()) != 0 || unlockpt(master.get()) != 0)
    throw std::runtime_error(SysError("cannot unlock the pseudo-terminal"));
  char name[128];
  if (ptsname_r(master.get(), name, sizeof name) != 0) throw std::runtime_error(SysError("ptsname"));
  const std::string slavePath = name;

  // Raw 8N1 at 19200 until the PC sets the line itself; above all no echo, which would send every
  // reply straight back into the instrument.
  termios tio{};
  if (tcgetattr(master.get(), &tio) != 0) throw std::runtime_error(SysError("tcgetattr"));
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  cfsetispeed(&tio, B19200);
  cfsetospeed(&tio, B19200);
  if (tcsetattr(master.get(), TCSANOW, &tio) != 0) throw std::runtime_error(SysError("tcsetattr"));

  Fd slave(open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (slave.get() < 0) throw std::runtime_error(SysError("cannot open " + slavePath));
  // Watch the slave only after our own open, so that every open it reports is the PC's.
  Fd notify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (notify.get() < 0 || inotify_add_watch(notify.get(), slavePath.c_str(), IN_OPEN | IN_CLOSE) < 0)
    throw std::runtime_error(SysError("cannot watch " + slavePath));

  const std::string portName = "COM" + std::to_string(o.Port);
  const std::string folder = o.Folder.empty() ? programFolder : o.Folder;
  {
    PortLink link(folder + "/" + portName, slavePath);
    std::printf("qelt430-sim: %s -> %s\n", portName.c_str(), slavePath.c_str());
    std::fflush(stdout);
    log.Note(portName + " -> " + slavePath);

    Server server(o, model, log, signalFd.get(), master.get(), slave.get(), notify.get());
    server.Run();
    master.Close();  // the line goes: the PC's port hangs up
    slave.Close();
  }
  if (!o.SavePath.empty()) SaveImageFile(model, o.SavePath);
  return 0;
}

}  // namespace

void BlockStopSignals() {
  const sigset_t set = StopSignals();
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

int RunSimulator(const SimOptions& options, const std::string& programFolder) {
  try {
    return Serve(options, programFolder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qelt430-sim: %s\n", e.what());
    return 1;
  }
}
