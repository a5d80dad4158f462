#pragma once
// Scripted answers for every box and dialog a window opens, and a record of what was shown.
#include <QString>
#include <QStringList>
#include <deque>

#include "prompts.h"

class FakePrompts : public TPrompts {
 public:
  void Warning(const QString& text, const QString& detail = {}) override {
    Warnings.append(text);
    WarningDetails.append(detail);
  }
  void Information(const QString& text) override { Infos.append(text); }
  bool Confirm(const QString& text) override {
    Questions.append(text);
    if (Answers.empty()) return false;
    const bool yes = Answers.front();
    Answers.pop_front();
    return yes;
  }
  void ErrorBox(const QString& message) override { Errors.append(ErrorText(message)); }
  QString SaveFileName(const QString& folder) override {
    SaveFolders.append(folder);
    return SaveAs;
  }
  bool PrinterSetup(QPrinter&) override {
    ++PrinterSetups;
    return true;
  }

  std::deque<bool> Answers;  // for Confirm, in order; No when none is left
  QString SaveAs;            // the save dialog's answer; empty is Cancel
  QStringList Warnings, WarningDetails, Infos, Questions, Errors, SaveFolders;
  int PrinterSetups = 0;
};
