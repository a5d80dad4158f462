// The termios back end against a pseudo-terminal that the test opens itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "misc.h"
#include "ser_io32.h"
#include "serial_port.h"
#include "serial_termios2.h"

namespace fs = std::filesystem;

namespace {

bool WaitFor(const std::function<bool()>& cond) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class PseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(m_master, 0);
    ASSERT_EQ(grantpt(m_master), 0);
    ASSERT_EQ(unlockpt(m_master), 0);
    // Hold a slave descriptor of our own so the master never sees a hang-up between opens.
    m_slave = open(ptsname(m_master), O_RDWR | O_NOCTTY);
    ASSERT_GE(m_slave, 0);
    m_folder = fs::temp_directory_path() / ("qelt-termios-" + std::to_string(getpid()));
    fs::create_directories(m_folder);
    fs::create_symlink(ptsname(m_master), m_folder / "COM1");
    SetPortFolder(m_folder.string());
    m_loops = LoopsPerMs;
    LoopsPerMs = 1;
    Port.SetPortNum(1);
    AssignComm(&Port);
  }
  void TearDown() override {
    AssignComm(nullptr);
    Port.Close();
    LoopsPerMs = m_loops;
    SetPortFolder({});
    fs::remove_all(m_folder);
    if (m_slave >= 0) close(m_slave);
    if (m_master >= 0) close(m_master);
  }
  void CloseMaster() {
    close(m_master);
    m_master = -1;
    close(m_slave);
    m_slave = -1;
  }

  TermiosComm Port;
  int m_master = -1;
  int m_slave = -1;
  fs::path m_folder;

 private:
  std::int32_t m_loops = 0;
};

TEST_F(PseudoTerminal, MasterSeesBothLineSpeeds) {
  OpenPort7200();
  EXPECT_EQ(ReadLineSpeed(m_master), 7200);
  OpenPort19200();
  EXPECT_EQ(ReadLineSpeed(m_master), 19200);
}

TEST_F(PseudoTerminal, BytesTravelBothWays) {
  OpenPort19200();
  const Byte incoming[] = {0x00, 0xFF, 0x0D};
  ASSERT_EQ(write(m_master, incoming, 3), 3);
  ASSERT_TRUE(WaitFor([&] { return Port.RxCount() == 3; }));
  EXPECT_EQ(ReceiveByte(), 0x00);  // raw: nothing is translated or swallowed
  EXPECT_FALSE(RxTimeout);
  EXPECT_EQ(ReceiveByte(), 0xFF);
  EXPECT_EQ(ReceiveByte(), 0x0D);

  SendByte(0x11);  // XON passes as data: no software handshake
  Byte out = 0;
  ASSERT_TRUE(WaitFor([&] { return read(m_master, &out, 1) == 1; }));
  EXPECT_EQ(out, 0x11);
}

TEST_F(PseudoTerminal, HeldDeviceCannotBeOpenedAgain) {
  OpenPort19200();
  TermiosComm second;
  second.SetPortNum(1);
  try {
    second.Open();
    FAIL() << "second open succeeded";
  } catch (const SerialError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Unable to open specified device COM1 (", 0), 0u) << e.what();
  }
  EXPECT_FALSE(second.IsOpen());
  Port.Close();
  EXPECT_NO_THROW(second.Open());  // released on close
}

TEST_F(PseudoTerminal, MissingDeviceLeavesPortClosed) {
  fs::create_symlink(m_folder / "no-such-adapter", m_folder / "COM2");
  Port.SetPortNum(2);
  try {
    OpenPort19200();
    FAIL() << "open succeeded";
  } catch (const SerialError& e) {
    EXPECT_STREQ(e.what(), "Unable to open specified device COM2 (2), No such file or directory");
  }
  EXPECT_FALSE(Port.IsOpen());
  SendByte(0x42);
  EXPECT_EQ(ReceiveByte(), 0);
  EXPECT_TRUE(RxTimeout);
}

TEST_F(PseudoTerminal, VanishedDeviceRaisesStatisticsError) {
  OpenPort19200();
  CloseMaster();  // the adapter is unplugged
  try {
    RxReady();
    FAIL() << "no error";
  } catch (const SerialError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Error retrieving statistics (", 0), 0u) << e.what();
  }
}

TEST(PortNames, LinkBesideTheProgramFirstThenSerialDevice) {
  const fs::path folder = fs::temp_directory_path() / ("qelt-names-" + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::create_symlink("/dev/ttyUSB0", folder / "COM1");
  SetPortFolder(folder.string());
  EXPECT_EQ(ResolvePortDevice("COM1"), (folder / "COM1").string());
  EXPECT_EQ(ResolvePortDevice("COM3"), "/dev/ttyS2");
  EXPECT_EQ(OpenFailureDetail("COM1", OpenError("COM1", EACCES, (folder / "COM1").string())),
            "COM1 (/dev/ttyUSB0): permission denied; is the user in the dialout group?");
  SetPortFolder({});
  EXPECT_EQ(PortFolder(), ProgramFolder());
  fs::remove_all(folder);
}

}  // namespace
