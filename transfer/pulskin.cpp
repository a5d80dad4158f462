#include "pulskin.h"

#include <QFont>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "wchart.h"

TForm1* Form1 = nullptr;

namespace {
constexpr int OuterWidth = 435;
constexpr int OuterHeight = 325;
}  // namespace

TForm1::TForm1(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kinetics of last Saturation Pulse "));
  setModal(true);
  setFixedSize(OuterWidth, OuterHeight);

  // The window's font; the chart's labels and titles take it over.
  QFont systemFont(QStringLiteral("System"));
  systemFont.setPixelSize(13);
  setFont(systemFont);

  PulsChart = new WinRChart(this);
  PulsChart->setObjectName(QStringLiteral("PulsChart"));
  PulsChart->setGeometry(26, 16, 223, 273);

  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(304, 112, 89, 33);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

int TForm1::ShowModal() { return exec(); }

void TForm1::Button1Click() { accept(); }

void TForm1::showEvent(QShowEvent* event) {
  // The outer size includes the window frame: the client area is what remains once the platform
  // tells the frame's width (where it cannot tell it yet, the client area takes the whole size).
  const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  setFixedSize(OuterWidth - frame.left() - frame.right(), OuterHeight - frame.top() - frame.bottom());

  if (QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen()) {
    const QRect avail = where->availableGeometry();
    move(avail.left() + (avail.width() - OuterWidth) / 2,
         avail.top() + (avail.height() - OuterHeight) / 2);
  }
  QDialog::showEvent(event);
}
