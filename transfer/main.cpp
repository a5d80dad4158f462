// Trans430: the data-transfer program of the QELT-430.
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "com_select_form.h"
#include "main430.h"
#include "prompts.h"
#include "pulskin.h"
#include "serial_port.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Trans430");
  QApplication::setApplicationDisplayName("Trans430");

  // The instrument object UniCtrl is a static object and exists already, in local mode. The
  // windows are made in this order and live until the program ends.
  QtPrompts prompts;
  Ttrans430form trans430form(std::make_unique<TermiosComm>(), prompts);
  TForm1 kinetics;
  Form1 = &kinetics;
  trans430form.SetKineticsForm(&kinetics);
  ComSelForm = new TComSelForm;

  int result = 0;
  QTimer::singleShot(0, [&] {
    if (!trans430form.FormShow()) {
      QApplication::exit(0);  // no instrument: the program ends without showing its window
      return;
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    trans430form.move(screen.center() - trans430form.frameGeometry().center() + trans430form.pos());
    trans430form.show();
  });
  result = QApplication::exec();
  delete ComSelForm;
  ComSelForm = nullptr;
  return result;
}
