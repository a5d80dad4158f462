#pragma once
// Trans430's main window against the instrument model behind the fake port. The PC clock is fixed,
// so the calibration leaves one calibrated millisecond at a single count-down step and every wait
// costs nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "com_select_form.h"
#include "fake_port.h"
#include "fake_prompts.h"
#include "instrument_model.h"
#include "main430.h"
#include "mem_grid.h"
#include "misc.h"
#include "ser_io32.h"
#include "uni_ctrl.h"
#include "zeit.h"

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    m_loops = LoopsPerMs;
    LoopsPerMs = 1;
    UniCtrl.Mode = mdLocal;
    UniCtrl.ClearSetup();
    RxTimeout = false;
    SetPcClock([this] {
      // Which port events had happened when the PC clock was read (the calibration reads it first).
      ClockReadsAt.push_back(Port ? Port->Events.size() : 0);
      return PcClockNow;
    });
    auto port = std::make_unique<FakeComm>();
    Port = port.get();
    Port->Reply = [this](Byte b, int speed) -> std::vector<Byte> {
      if (!Answering) return {};
      const auto reply = Model.Receive(b, speed);
      return reply ? std::vector<Byte>{*reply} : std::vector<Byte>{};
    };
    Window = std::make_unique<Ttrans430form>(std::move(port), Prompts);
    ComSelForm = new TComSelForm;
  }

  void TearDown() override {
    Window.reset();
    delete ComSelForm;
    ComSelForm = nullptr;
    AssignComm(nullptr);
    SetPcClock({});
    LoopsPerMs = m_loops;
    UniCtrl.Mode = mdLocal;
  }

  // Answers the port dialog with a real click on the port and on "Ok" as soon as it is up.
  void AnswerPortDialog(int port) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, port] {
      if (QApplication::activeModalWidget() != ComSelForm || !ComSelForm->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      QTest::mouseClick(ComSelForm->findChild<QRadioButton*>(QString("Com%1").arg(port)), Qt::LeftButton);
      QTest::mouseClick(ComSelForm->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    });
    poll->start();
  }

  bool Start(int port = 1) {
    AnswerPortDialog(port);
    const bool connected = Window->FormShow();
    if (connected) Window->show();
    return connected;
  }

  void AddRecords(int n) {
    for (int k = 1; k <= n; ++k)
      Model.AddRecord({static_cast<Byte>(k), 0x06, 0x12, 0x24, 0x10, static_cast<Byte>(k), 0x00, 0},
                      {0x03, 0x20, 0x06, 0x40, 0x85, 3, 7, 12});
  }

  QString Cell(int column, int row) const { return Window->MemGrid->Cell(column, row); }

  std::int64_t ModelMs = 0;
  InstrumentModel Model{[this] { return ModelMs; }};
  bool Answering = true;
  PcTime PcClockNow{2024, 12, 6, 15, 45, 7, 0};
  std::vector<size_t> ClockReadsAt;
  FakePrompts Prompts;
  FakeComm* Port = nullptr;
  std::unique_ptr<Ttrans430form> Window;

 private:
  std::int32_t m_loops = 0;
};
