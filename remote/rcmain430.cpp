#include "rcmain430.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <chrono>
#include <exception>
#include <thread>

#include "prompts.h"
#include "ser_io32.h"
#include "uni_ctrl.h"

TForm1::TForm1(std::unique_ptr<TVaComm> port, TPrompts& prompts, Calibration calibrate, QWidget* parent)
    : QWidget(parent), VaComm1(std::move(port)), m_prompts(prompts) {
  setObjectName("Form1");
  setWindowTitle(QString());
  QFont base("Liberation Sans");
  base.setStyleHint(QFont::SansSerif);
  base.setPixelSize(11);
  setFont(base);
  resize(313, 126);
  if (const QScreen* s = screen()) {
    QRect frame = geometry();
    frame.moveCenter(s->availableGeometry().center());
    move(frame.topLeft());
  }

  Label1 = new QLabel("QELT-430 set to remote control Mode", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(32, 40, 234, 16);
  Label1->setAlignment(Qt::AlignCenter);
  QFont notice = base;
  notice.setPixelSize(16);
  notice.setBold(true);
  Label1->setFont(notice);

  Timer1 = new QTimer(this);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(1000);
  Timer1->setSingleShot(true);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

  FormCreate(calibrate);
}

// The port component goes with the window; destroying it closes COM1 if it is still open.
TForm1::~TForm1() {
  if (BoundPort() == VaComm1.get()) AssignComm(nullptr);
}

void TForm1::FormCreate(Calibration calibrate) {
  calibrate();
  AssignComm(VaComm1.get());
  VaComm1->SetPortNum(1);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The mode switch belongs to the first showing only; a window shown again after being
  // minimised must not start another countdown.
  if (m_shown) return;
  m_shown = true;
  FormShow();
}

void TForm1::FormShow() {
  try {
    UniCtrl.SetMode(mdRemote);
  } catch (const std::exception& e) {
    // No timer: the notice stays until the user closes the window. The link mode is still local.
    m_prompts.ErrorBox(ErrorText(e));
    return;
  }
  Timer1->start();
}

void TForm1::Timer1Timer() {
  // The notice stays on screen one more second; the window does not react meanwhile.
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  close();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // A window closed early ends the program at once: the countdown must not fire after it.
  Timer1->stop();
  QWidget::closeEvent(event);
}
