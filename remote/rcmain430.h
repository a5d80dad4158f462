#pragma once
// The window of rc430: at its creation it calibrates the delay and binds the byte channel to its
// port, COM1; when first shown it switches the instrument into remote mode and starts a one-second
// timer; the timer sleeps one more second and closes the window, which ends the program. The
// instrument is left in remote mode: no 0x18 is ever sent, and the port is closed as the window
// and its port component are destroyed.

#include <QWidget>
#include <memory>

#include "misc.h"
#include "serial_port.h"

class QCloseEvent;
class QLabel;
class QShowEvent;
class QTimer;
class TPrompts;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Runs once as the window is created, before the port is touched; CalibrateDelay in the program.
  using Calibration = void (*)();

  // port: the port component the window owns (the termios port in the program); prompts shows the
  // error box.
  TForm1(std::unique_ptr<TVaComm> port, TPrompts& prompts, Calibration calibrate = &CalibrateDelay,
         QWidget* parent = nullptr);
  ~TForm1() override;

  QLabel* Label1;
  QTimer* Timer1;
  std::unique_ptr<TVaComm> VaComm1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate(Calibration calibrate);
  void FormShow();
  void Timer1Timer();

  TPrompts& m_prompts;
  bool m_shown = false;
};
