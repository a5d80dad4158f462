#pragma once
// The kinetics window: the chart of the last saturation pulse and an "Ok" button. It is created once
// at program start, stays hidden between uses and keeps its drawing list while hidden.

#include <QDialog>

class QPushButton;
class WinRChart;

class TForm1 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);

  // Shows the window modally, centred on the screen; returns when "Ok" or the window's own close
  // button ends it.
  int ShowModal();

  WinRChart* PulsChart;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Button1Click();
};

// The kinetics window of the process; the program start creates it, after the main window.
extern TForm1* Form1;
