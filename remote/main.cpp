// rc430: switches the instrument on COM1 into remote mode, shows a notice for about two seconds
// and ends, leaving the instrument in remote mode at 19200 baud.
#include <QApplication>
#include <memory>

#include "prompts.h"
#include "rcmain430.h"
#include "serial_port.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("rc430");
  QGuiApplication::setApplicationDisplayName("rc430");

  QtPrompts prompts;
  TForm1 Form1(std::make_unique<TermiosComm>(), prompts);
  Form1.show();
  return app.exec();
}
