#pragma once
// The port-choice dialog: eight ports in a radio group, each with the device it stands for.

#include <QDialog>

class QButtonGroup;
class QLabel;
class QPushButton;

class TComSelForm : public QDialog {
  Q_OBJECT

 public:
  explicit TComSelForm(QWidget* parent = nullptr);

  // The chosen port, 1 to 8; set whenever the dialog closes, whichever way.
  int SelectedPort = 1;

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowDevices();

  QButtonGroup* m_group;
  QLabel* m_devices[8];
  QPushButton* m_ok;
};

// The dialog of the running program, created at program start.
extern TComSelForm* ComSelForm;

// Shows ComSelForm modally and sets the bound port's number to the chosen port. Only while the
// port is closed.
void SelectComPort();
