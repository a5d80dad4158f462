// The rc430 program itself, run as the user runs it: a copy of the binary in a folder of its own
// whose COM1 is a pseudo-terminal, so the real termios port and the program start are exercised.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <vector>

#include "serial_termios2.h"

namespace {

// Every byte the program sent on COM1, read from the master side within boundMs.
std::vector<unsigned char> Drain(int master, int boundMs) {
  std::vector<unsigned char> bytes;
  pollfd p{master, POLLIN, 0};
  while (poll(&p, 1, boundMs) > 0 && (p.revents & POLLIN)) {
    unsigned char buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    bytes.insert(bytes.end(), buf, buf + n);
  }
  return bytes;
}

TEST(RemoteProgram, SwitchesComOneAndEndsAfterTheNotice) {
  int master = -1, slave = -1;
  char slaveName[256] = {};
  ASSERT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
  // The slave stays open here as well, so the line survives the program's close and reopen and
  // its last settings can be read from the master side afterwards.

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString program = folder.filePath("rc430");
  ASSERT_TRUE(QFile::copy(RC430_BINARY, program));
  ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(slaveName), folder.filePath("COM1")));

  QProcess rc430;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  rc430.setProcessEnvironment(env);
  rc430.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QElapsedTimer run;
  run.start();
  rc430.start(program, {});
  ASSERT_TRUE(rc430.waitForStarted(30000));
  ASSERT_TRUE(rc430.waitForFinished(60000)) << "rc430 did not end by itself";
  const qint64 ranMs = run.elapsed();
  EXPECT_EQ(rc430.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(rc430.exitCode(), 0);
  // The delay calibration, then one second of timer and one of sleep after the window is shown.
  EXPECT_GE(ranMs, 1900);

  EXPECT_EQ(Drain(master, 200), std::vector<unsigned char>{0x19});
  EXPECT_EQ(ReadLineSpeed(master), 19200);  // the instrument is left talking at 19200 baud

  close(slave);
  close(master);
}

}  // namespace
