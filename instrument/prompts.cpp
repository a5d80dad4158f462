#include "prompts.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

void OkBox(QMessageBox::Icon icon, const QString& caption, const QString& text, const QString& detail = {}) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText("OK");
  if (!detail.isEmpty()) box.setInformativeText(detail);
  box.exec();
}

}  // namespace

void QtPrompts::Warning(const QString& text, const QString& detail) {
  OkBox(QMessageBox::Warning, "Warning", text, detail);
}

void QtPrompts::Information(const QString& text) { OkBox(QMessageBox::Information, "Information", text); }

bool QtPrompts::Confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, "Confirm", text);
  QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void QtPrompts::ErrorBox(const QString& message) {
  OkBox(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), ErrorText(message));
}

QString QtPrompts::SaveFileName(const QString& folder) {
  QFileDialog dialog(m_parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDirectory(folder);
  dialog.setDefaultSuffix("csv");
  dialog.setNameFilter("*.csv");
  // Replacing an existing file is asked first (the dialog's default); the folder must exist.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

bool QtPrompts::PrinterSetup(QPrinter& printer) {
  QPrintDialog dialog(&printer, m_parent);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  return dialog.exec() == QDialog::Accepted;
}

QString ErrorText(const QString& message) {
  if (message.endsWith('.')) return message;
  return message + '.';
}

QString ErrorText(const std::exception& e) { return ErrorText(QString::fromLocal8Bit(e.what())); }
