// The rc430 window against the fake port: what reaches the line, the countdown and the error box.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

#include "fake_port.h"
#include "misc.h"
#include "prompts.h"
#include "rcmain430.h"
#include "ser_io32.h"
#include "uni_ctrl.h"

void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

void PrintTo(const PortEvent& e, std::ostream* os) {
  static const char* const kinds[] = {"Open", "Close", "Write"};
  *os << kinds[e.What] << '@' << e.Speed;
  if (e.What == PortEvent::Write) *os << ":0x" << ByteToHex(e.Value);
}

namespace {

// The error box and nothing else: rc430 asks no questions.
class ScriptedPrompts : public TPrompts {
 public:
  QStringList Errors;
  void Warning(const QString& text, const QString&) override { ADD_FAILURE() << "warning " << text.toStdString(); }
  void Information(const QString& text) override { ADD_FAILURE() << "information " << text.toStdString(); }
  bool Confirm(const QString& text) override {
    ADD_FAILURE() << "confirmation " << text.toStdString();
    return false;
  }
  void ErrorBox(const QString& message) override { Errors << message; }
  QString SaveFileName(const QString&) override {
    ADD_FAILURE() << "save dialog";
    return {};
  }
  bool PrinterSetup(QPrinter&) override {
    ADD_FAILURE() << "printer set-up";
    return false;
  }
};

// A fake port that hands its line events to the test as it is destroyed with the window.
class LoggedComm : public FakeComm {
 public:
  explicit LoggedComm(std::vector<PortEvent>& finalLog) : m_finalLog(finalLog) {}
  ~LoggedComm() override {
    Close();
    m_finalLog = Events;
  }

 private:
  std::vector<PortEvent>& m_finalLog;
};

int Calibrations = 0;
void CountCalibration() { ++Calibrations; }

bool WaitFor(const std::function<bool()>& condition, int boundMs = 15000) {
  QDeadlineTimer deadline(boundMs);
  while (!condition() && !deadline.hasExpired()) QTest::qWait(10);
  return condition();
}

const PortEvent Open7200{PortEvent::Open, 7200};
const PortEvent Close7200{PortEvent::Close, 7200};
const PortEvent Open19200{PortEvent::Open, 19200};
const PortEvent Close19200{PortEvent::Close, 19200};
const PortEvent EnterRemote{PortEvent::Write, 7200, LinkEnterRemote};

// The whole line traffic of entering remote mode from a closed port.
const std::vector<PortEvent> RemoteEntry{Open7200, EnterRemote, Close7200, Open19200};

class RemoteWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedLoops = LoopsPerMs;
    LoopsPerMs = 1;  // waits cost nothing
    UniCtrl.Mode = mdLocal;
    Calibrations = 0;
    auto port = std::make_unique<LoggedComm>(FinalLog);
    Port = port.get();
    Form = std::make_unique<TForm1>(std::move(port), Prompts, &CountCalibration);
  }
  void TearDown() override {
    Form.reset();
    AssignComm(nullptr);
    UniCtrl.Mode = mdLocal;
    LoopsPerMs = m_savedLoops;
  }
  // Destroys the window and with it the port; the port's events then stand in FinalLog.
  void DestroyWindow() {
    Port = nullptr;
    Form.reset();
  }

  ScriptedPrompts Prompts;
  std::vector<PortEvent> FinalLog;
  LoggedComm* Port = nullptr;
  std::unique_ptr<TForm1> Form;

 private:
  std::int32_t m_savedLoops = 0;
};

TEST_F(RemoteWindow, CreationCalibratesAndBindsComOneWithoutOpeningIt) {
  EXPECT_EQ(Calibrations, 1);
  EXPECT_EQ(BoundPort(), Port);
  EXPECT_EQ(Form->VaComm1.get(), Port);
  EXPECT_EQ(Port->PortNum(), 1);
  EXPECT_EQ(Port->PortName(), "COM1");
  EXPECT_EQ(Port->LineSpeed(), 19200);
  EXPECT_TRUE(Port->DirectWrite());
  EXPECT_FALSE(Port->IsOpen());
  EXPECT_TRUE(Port->Events.empty());
  EXPECT_EQ(UniCtrl.Mode, mdLocal);

  EXPECT_EQ(Form->objectName(), "Form1");
  EXPECT_TRUE(Form->windowTitle().isEmpty());
  EXPECT_EQ(Form->size(), QSize(313, 126));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((Form->frameGeometry().center() - screen.center()).manhattanLength(), 2);

  auto* label = Form->findChild<QLabel*>("Label1");
  ASSERT_EQ(label, Form->Label1);
  EXPECT_EQ(label->text(), "QELT-430 set to remote control Mode");
  EXPECT_EQ(label->geometry(), QRect(32, 40, 234, 16));
  EXPECT_EQ(label->alignment(), Qt::AlignCenter);
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(label->font().pixelSize(), 16);

  auto* timer = Form->findChild<QTimer*>("Timer1");
  ASSERT_EQ(timer, Form->Timer1);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1000);
}

TEST_F(RemoteWindow, ShowingSendsOneEnterByteAndLeavesThePortOpenUntilTheWindowGoes) {
  Form->show();
  EXPECT_TRUE(Prompts.Errors.isEmpty());
  EXPECT_EQ(Port->Events, RemoteEntry);
  EXPECT_TRUE(Port->IsOpen());
  EXPECT_EQ(Port->LineSpeed(), 19200);
  EXPECT_EQ(UniCtrl.Mode, mdRemote);
  EXPECT_TRUE(Form->Timer1->isActive());

  // Showing the window again (after a minimise, say) starts nothing new.
  Form->hide();
  Form->show();
  EXPECT_EQ(Port->Events, RemoteEntry);

  // The instrument stays in remote mode: the port closes with the window, and no 0x18 is sent.
  DestroyWindow();
  std::vector<PortEvent> expected = RemoteEntry;
  expected.push_back(Close19200);
  EXPECT_EQ(FinalLog, expected);
}

TEST_F(RemoteWindow, CountdownClosesTheWindowAfterTheSleep) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point shown = Clock::now();
  Form->show();
  ASSERT_TRUE(Form->Timer1->isActive());
  ASSERT_TRUE(WaitFor([&] { return !Form->isVisible(); }));
  // One second of timer and one of sleep: never before about two seconds (the timer may be
  // slightly early, the sleep never is).
  EXPECT_GE(Clock::now() - shown, std::chrono::milliseconds(1900));
  EXPECT_TRUE(Prompts.Errors.isEmpty());
  EXPECT_EQ(Port->Events, RemoteEntry);
  EXPECT_EQ(UniCtrl.Mode, mdRemote);
  DestroyWindow();
  EXPECT_EQ(FinalLog.back(), Close19200);
  EXPECT_EQ(FinalLog.size(), RemoteEntry.size() + 1);
}

TEST_F(RemoteWindow, ClosingBeforeTheCountdownEndsAtOnce) {
  Form->show();
  QSignalSpy fired(Form->Timer1, &QTimer::timeout);
  QTest::qWait(50);
  Form->close();
  EXPECT_FALSE(Form->isVisible());
  EXPECT_FALSE(Form->Timer1->isActive());
  QTest::qWait(1500);  // longer than the countdown had left
  EXPECT_EQ(fired.count(), 0);
  EXPECT_EQ(Port->Events, RemoteEntry);
  DestroyWindow();
  std::vector<PortEvent> expected = RemoteEntry;
  expected.push_back(Close19200);
  EXPECT_EQ(FinalLog, expected);
}

// Every error of the serial port during the switch: one error box, and the notice stays.
struct PortFault {
  const char* Name;
  std::function<void(FakeComm&)> Arrange;
  std::string Message;             // the error's own message, without the full stop
  std::vector<PortEvent> Traffic;  // what reached the line before the error
};

void PrintTo(const PortFault& fault, std::ostream* os) { *os << fault.Name; }

class RemoteWindowFault : public RemoteWindow, public ::testing::WithParamInterface<PortFault> {};

TEST_P(RemoteWindowFault, ShowsOneErrorBoxAndKeepsTheNoticeWithoutCountdown) {
  const PortFault& fault = GetParam();
  fault.Arrange(*Port);
  Form->show();
  EXPECT_EQ(Prompts.Errors, QStringList{QString::fromStdString(fault.Message) + "."});
  EXPECT_FALSE(Form->Timer1->isActive());
  EXPECT_EQ(UniCtrl.Mode, mdLocal);
  EXPECT_EQ(Port->Events, fault.Traffic);

  QTest::qWait(1200);  // longer than the countdown would take to fire: the window stays
  EXPECT_TRUE(Form->isVisible());
  EXPECT_EQ(Prompts.Errors.size(), 1);

  // The user closes it; a port left open by the failed switch closes with the window.
  Form->close();
  DestroyWindow();
  std::vector<PortEvent> expected = fault.Traffic;
  if (!expected.empty()) expected.push_back(Close7200);
  EXPECT_EQ(FinalLog, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RemoteWindowFault,
    ::testing::Values(
        PortFault{"ComOneMissing", [](FakeComm& p) { p.OpenFailure = OpenError("COM1", ENOENT, "/dev/ttyS0"); },
                  OpenError("COM1", ENOENT, "/dev/ttyS0").what(), {}},
        PortFault{"ComOneHeldByAnotherProgram",
                  [](FakeComm& p) { p.OpenFailure = OpenError("COM1", EBUSY, "/dev/ttyUSB0"); },
                  OpenError("COM1", EBUSY, "/dev/ttyUSB0").what(), {}},
        PortFault{"DeviceGoneAfterTheEnterByte", [](FakeComm& p) { p.VanishAfterWrites = 1; },
                  SystemError(SerialMessages::Statistics, EIO, "/dev/fake").what(), {Open7200, EnterRemote}}),
    [](const ::testing::TestParamInfo<PortFault>& param) { return std::string(param.param.Name); });

}  // namespace
