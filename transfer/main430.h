#pragma once
// The main window of Trans430: tool bar, clock field, record table and File menu; the start-up
// that connects the instrument, the commands, and the shutdown that returns the instrument to
// local operation.

#include <QMainWindow>
#include <QPrinter>
#include <memory>

#include "serial_port.h"
#include "typen.h"

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TMemGrid;
class TPrompts;
class TForm1;

inline constexpr const char* ProgramVersion = "v0.20";

class Ttrans430form : public QMainWindow {
  Q_OBJECT

 public:
  enum class TState { Starting, Ready, Ended };

  // The window owns its serial port component; prompts shows (or, in tests, answers) every box.
  Ttrans430form(std::unique_ptr<TVaComm> port, TPrompts& prompts, QWidget* parent = nullptr);
  ~Ttrans430form() override;

  // The start-up sequence, run when the window is first to be shown: calibration, port choice,
  // connection and memory test, then the start-up synchronisation. Returns false when no
  // instrument is connected: the program then ends without showing the window.
  bool FormShow();
  // The shutdown: back to local operation, then the port is closed.
  void FormClose();

  // Commands.
  void RefreshButtonClick();   // Update
  void ClearButtonClick();     // Clear
  void CSVButtonClick();       // Save as CSV
  void PrintButtonClick();     // Print
  void Printersetup1Click();   // Printer set-up
  void SpeedButton2Click();    // kinetics of the last pulse

  TState State() const { return m_state; }
  TVaComm& VaComm1() { return *m_port; }
  QPrinter& Printer() { return m_printer; }
  const QString& ProgDir() const { return m_progDir; }
  const QString& DataDir() const { return m_dataDir; }
  // The kinetics window, created at program start after this window.
  void SetKineticsForm(TForm1* form) { m_kinetics = form; }

  // Controls, named as in the window's design.
  QFrame* Panel1;
  QToolButton* CSVButton;
  QToolButton* PrintButton;
  QToolButton* ClearButton;
  QToolButton* SpeedButton2;
  QPushButton* RefreshButton;
  QLineEdit* ZeitFeld;
  QToolButton* SpeedButton1;
  TMemGrid* MemGrid;
  QMenu* File1;
  QAction* SaveasCSV1;
  QAction* ClearMemory1;
  QAction* Printersetup1;
  QAction* Print1;
  QAction* exit1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool Connect();
  void StartupSynchronisation();
  // Runs a command; an error that reaches it ends the command and is shown in the error box.
  template <class F>
  void Guarded(F command);

  std::unique_ptr<TVaComm> m_port;
  TPrompts& m_prompts;
  QPrinter m_printer;
  TForm1* m_kinetics = nullptr;
  TState m_state = TState::Starting;
  bool m_closed = false;
  QString m_progDir;
  QString m_dataDir;
};
