// qelt430-sim end to end: the program on a real pseudo-terminal, driven through the COM1 link it
// makes, with a termios client of the test's own.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "pty_client.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kWaitMs = 10'000;  // generous bound for anything the simulator must do
constexpr uid_t kNobody = 65534;

std::string MakeTempFolder() {
  char name[] = "/tmp/qelt430-sim-test-XXXXXX";
  const char* made = mkdtemp(name);
  EXPECT_NE(made, nullptr);
  return made ? made : "";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int Count(const std::string& text, const std::string& needle) {
  int n = 0;
  for (auto p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) ++n;
  return n;
}

// One run of the simulator in a temporary folder of its own, with its COM1 link and byte log there.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args, bool asNobody = false)
      : m_folder(MakeTempFolder()), m_args(std::move(args)), m_asNobody(asNobody) {}
  ~SimProcess() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) close(m_out);
    std::error_code ec;
    fs::remove_all(m_folder, ec);
  }

  std::string Folder() const { return m_folder; }
  std::string Link() const { return m_folder + "/COM1"; }
  std::string LogPath() const { return m_folder + "/sim.log"; }
  std::string Pts() const { return m_pts; }
  std::string Log() const { return ReadFile(LogPath()); }

  // Starts the simulator and waits for its ready line. False if it ended first.
  bool Start() {
    std::vector<std::string> args = {QELT_SIM_PATH, "--dir", m_folder, "--log", LogPath()};
    args.insert(args.end(), m_args.begin(), m_args.end());
    if (m_asNobody) chmod(m_folder.c_str(), 0777);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    m_pid = fork();
    if (m_pid == 0) {
      dup2(pipeFds[1], STDOUT_FILENO);
      if (m_asNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    m_out = pipeFds[0];
    std::string line;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (Clock::now() < deadline) {
      pollfd p{m_out, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c;
      if (read(m_out, &c, 1) != 1) return false;  // ended without the ready line
      if (c != '\n') {
        line += c;
        continue;
      }
      m_ready = line;
      const auto arrow = line.find(" -> ");
      if (line.rfind("qelt430-sim: COM", 0) != 0 || arrow == std::string::npos) return false;
      m_pts = line.substr(arrow + 4);
      return true;
    }
    return false;
  }

  // The exit status once the process has ended by itself, or -1 after the bound.
  int WaitExit(int timeoutMs = kWaitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0) {
      int status = 0;
      const pid_t r = waitpid(m_pid, &status, WNOHANG);
      if (r == m_pid) {
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (Clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
  }
  int Stop(int signal = SIGTERM) {
    if (m_pid > 0) kill(m_pid, signal);
    return WaitExit();
  }

  // Waits until the byte log holds `needle` at least `times` times.
  bool WaitLog(const std::string& needle, int times = 1) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (Clock::now() < deadline) {
      if (Count(Log(), needle) >= times) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

 private:
  std::string m_folder;
  std::vector<std::string> m_args;
  bool m_asNobody;
  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_ready;
  std::string m_pts;
};

// Opens the port at 7200, sends the link byte, and reopens at 19200 once the simulator has heard
// it, the way the PC enters remote mode.
void EnterRemote(const SimProcess& sim, PtyClient& c) {
  ASSERT_EQ(c.Open(sim.Link(), 7200), 0);
  ASSERT_TRUE(c.Send(0x19));
  ASSERT_TRUE(sim.WaitLog("pc>sim 19 7200"));
  ASSERT_EQ(c.Open(sim.Link(), 19200), 0);
}

void ExpectExchanges(PtyClient& c, const std::vector<std::pair<std::uint8_t, std::uint8_t>>& pairs) {
  for (const auto& [sent, reply] : pairs) {
    const auto r = c.Exchange(sent);
    ASSERT_TRUE(r.has_value()) << "no reply to " << int(sent);
    EXPECT_EQ(*r, reply) << "reply to " << int(sent);
  }
}

// Opens and closes the slave as the user nobody when the test runs as root (root would pass the
// exclusive flag regardless); returns errno of the open, 0 on success.
int OpenAsOrdinaryUser(const std::string& path) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    _exit(fd < 0 ? errno : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SimProgram, EntersRemoteAt7200AndServesTheDemoAt19200) {
  SimProcess sim({"--demo"});
  ASSERT_TRUE(sim.Start());
  struct stat st{};
  ASSERT_EQ(lstat(sim.Link().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(fs::read_symlink(sim.Link()).string(), sim.Pts());

  PtyClient c;
  EnterRemote(sim, c);
  // SetAddress(255), ReadAt(0): the record count; SetAddress(258), ReadAt(1): the first date byte.
  ExpectExchanges(c, {{0x30, 0x30}, {0xFF, 0xFF}, {0xB0, 34}, {0x31, 0x31}, {0x02, 0x02}, {0xB1, 0x14}});

  // At 7200 the instrument hears garbage: no reply to ReadAt, and 0x18 does not end remote mode.
  ASSERT_TRUE(c.SetSpeed(7200));
  ASSERT_TRUE(c.Send(0xB0));
  ASSERT_TRUE(c.Send(0x18));
  ASSERT_TRUE(sim.WaitLog("pc>sim 18 7200 (no reply)"));
  EXPECT_EQ(Count(sim.Log(), "pc>sim B0 7200 (no reply)"), 1);
  ASSERT_TRUE(c.SetSpeed(19200));
  ExpectExchanges(c, {{0xB0, 0x01}});  // the first byte to come is this reply: nothing in between
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProgram, PortReopensCleanAnyNumberOfTimesAndForOrdinaryUsers) {
  SimProcess sim({"--demo"}, geteuid() == 0);
  ASSERT_TRUE(sim.Start());
  PtyClient c;
  EnterRemote(sim, c);
  c.Close();
  int closes = 2;
  ASSERT_TRUE(sim.WaitLog("port closed (0 open)", closes));
  for (int i = 0; i < 5; ++i) {
    // Each time a reply is left unread, and the port is held exclusively and closed without
    // giving that up, as a program that crashed would.
    ASSERT_EQ(c.Open(sim.Link(), 19200), 0);
    ASSERT_TRUE(c.SetExclusive());
    ASSERT_TRUE(c.Send(0xB0));
    ASSERT_TRUE(sim.WaitLog("sim>pc", i + 1));
    c.Close();
    ASSERT_TRUE(sim.WaitLog("port closed (0 open)", ++closes));
    EXPECT_EQ(OpenAsOrdinaryUser(sim.Pts()), 0) << "round " << i;
    ASSERT_TRUE(sim.WaitLog("port closed (0 open)", ++closes));
  }
  ASSERT_EQ(c.Open(sim.Link(), 19200), 0);
  ExpectExchanges(c, {{0x30, 0x30}, {0xFF, 0xFF}, {0xB0, 34}});  // no stale reply first
  EXPECT_EQ(sim.Stop(SIGINT), 0);
}

TEST(SimProgram, StopRemovesTheLinkAndKeepsTheMemoryInTheImage) {
  const std::string keep = MakeTempFolder();
  const std::string image = keep + "/memory.img";
  {
    SimProcess sim({"--demo", "--image", image});
    ASSERT_TRUE(sim.Start());
    PtyClient c;
    EnterRemote(sim, c);
    // SetAddress(2048), ReadAt(0), WriteAt(0x5A).
    ExpectExchanges(c, {{0x38, 0x38}, {0x00, 0x00}, {0xB0, 0x00}, {0x29, 0x29}, {0x5A, 0x5A}});
    c.Close();
    EXPECT_EQ(sim.Stop(), 0);
    struct stat st{};
    EXPECT_NE(lstat(sim.Link().c_str(), &st), 0);
  }
  const std::string saved = ReadFile(image);
  EXPECT_NE(saved.find("\n0255: 22 00 00 00 00 00 00 00\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("\n2048: 5A 00 00 00 00 00 00 00\n"), std::string::npos) << saved;
  {
    SimProcess sim({"--image", image});
    ASSERT_TRUE(sim.Start());
    PtyClient c;
    EnterRemote(sim, c);
    ExpectExchanges(c, {{0x38, 0x38}, {0x00, 0x00}, {0xB0, 0x5A}, {0x30, 0x30}, {0xFF, 0xFF}, {0xB0, 34}});
    EXPECT_EQ(sim.Stop(), 0);
  }
  fs::remove_all(keep);
}

TEST(SimProgram, VanishingDeviceAnswersNBytesThenHangsUpAndLeaves) {
  SimProcess sim({"--demo", "--fault", "vanish=4"});
  ASSERT_TRUE(sim.Start());
  PtyClient c;
  EnterRemote(sim, c);  // the link byte is the first
  ExpectExchanges(c, {{0x30, 0x30}, {0xFF, 0xFF}, {0xB0, 34}});
  EXPECT_EQ(sim.WaitExit(), 0);
  int error = 0;
  EXPECT_EQ(c.Receive(kWaitMs, &error), std::nullopt);
  EXPECT_NE(error, 0);  // the line has gone
  struct stat st{};
  EXPECT_NE(lstat(sim.Link().c_str(), &st), 0);
}

TEST(SimProgram, LateRepliesArriveAfterThePcsReceiveWaitAndInOrder) {
  SimProcess sim({"--demo", "--fault", "late"});
  ASSERT_TRUE(sim.Start());
  PtyClient c;
  EnterRemote(sim, c);
  const auto t0 = Clock::now();
  ASSERT_TRUE(c.Send(0x30));
  ASSERT_TRUE(c.Send(0xFF));
  ASSERT_TRUE(c.Send(0xB0));
  EXPECT_EQ(c.Receive(), 0x30);
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(25));  // a lower bound: load only adds
  EXPECT_EQ(c.Receive(), 0xFF);
  EXPECT_EQ(c.Receive(), 34);
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProgram, PacedLineTakesTwoCharacterTimesPerExchange) {
  SimProcess sim({"--pace"});
  ASSERT_TRUE(sim.Start());
  PtyClient c;
  EnterRemote(sim, c);
  const auto t0 = Clock::now();
  constexpr int kExchanges = 40;
  for (int i = 0; i < kExchanges; ++i) ASSERT_EQ(c.Exchange(0xB0), 0x00);
  // 10 bit times each way at 19200 baud; a lower bound, which load cannot break.
  EXPECT_GE(Clock::now() - t0, std::chrono::microseconds(kExchanges * 2 * 10 * 1'000'000 / 19200));
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProgram, GarbageStreamsWithoutBeingAsked) {
  SimProcess sim({"--fault", "garbage"});
  ASSERT_TRUE(sim.Start());
  PtyClient c;
  ASSERT_EQ(c.Open(sim.Link(), 19200), 0);
  int distinct = 0;
  bool seen[256] = {};
  for (int i = 0; i < 2000; ++i) {
    const auto b = c.Receive();
    ASSERT_TRUE(b.has_value()) << "after " << i << " bytes";
    if (!seen[*b]) ++distinct, seen[*b] = true;
  }
  EXPECT_GT(distinct, 100);
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimProgram, RefusesBadOptionsAndForeignFilesInItsPlace) {
  {
    SimProcess sim({"--port", "9"});
    EXPECT_FALSE(sim.Start());
    EXPECT_EQ(sim.WaitExit(), 2);
  }
  {
    SimProcess sim({});
    std::ofstream(sim.Link()) << "someone else's";
    EXPECT_FALSE(sim.Start());
    EXPECT_EQ(sim.WaitExit(), 1);
    EXPECT_EQ(ReadFile(sim.Link()), "someone else's");
  }
  {
    // A link into /dev/pts/ is a leftover of an earlier run and is replaced.
    SimProcess sim({});
    fs::create_symlink("/dev/pts/999", sim.Link());
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(fs::read_symlink(sim.Link()).string(), sim.Pts());
    EXPECT_EQ(sim.Stop(), 0);
  }
}

}  // namespace
