#pragma once
// Everything modal that a window asks or tells the user goes through one interface, so that tests
// can script the answers. QtPrompts shows the real boxes and dialogs.

#include <QString>
#include <exception>

class QPrinter;
class QWidget;

class TPrompts {
 public:
  virtual ~TPrompts() = default;
  // Caption "Warning", warning icon, one "OK" button; detail, when given, as the box's detail text.
  virtual void Warning(const QString& text, const QString& detail = {}) = 0;
  // Caption "Information", information icon, one "OK" button.
  virtual void Information(const QString& text) = 0;
  // Caption "Confirm", question icon, "&Yes" (default) and "&No" (Escape); true only for Yes.
  virtual bool Confirm(const QString& text) = 0;
  // The error box: error icon, one "OK" button, the program's name as caption.
  virtual void ErrorBox(const QString& message) = 0;
  // The file-save dialog for a CSV file, opened in folder; an empty name when cancelled.
  virtual QString SaveFileName(const QString& folder) = 0;
  // The printer set-up dialog; true when the user confirmed.
  virtual bool PrinterSetup(QPrinter& printer) = 0;
};

class QtPrompts : public TPrompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
  void Warning(const QString& text, const QString& detail = {}) override;
  void Information(const QString& text) override;
  bool Confirm(const QString& text) override;
  void ErrorBox(const QString& message) override;
  QString SaveFileName(const QString& folder) override;
  bool PrinterSetup(QPrinter& printer) override;

 private:
  QWidget* m_parent;
};

// The text of the error box for an error: its message, with a full stop added when it lacks one.
QString ErrorText(const std::exception& e);
QString ErrorText(const QString& message);
