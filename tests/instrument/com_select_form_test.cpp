// The port-choice dialog driven with real clicks.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "com_select_form.h"
#include "fake_port.h"
#include "ser_io32.h"

namespace {

TEST(PortDialog, ComOnePreselectedAndEveryItemShowsItsDevice) {
  TComSelForm form;
  form.show();
  EXPECT_EQ(form.windowTitle(), "Select Com Port");
  EXPECT_EQ(form.size(), QSize(267, 243));
  auto* com1 = form.findChild<QRadioButton*>("Com1");
  ASSERT_NE(com1, nullptr);
  EXPECT_TRUE(com1->isChecked());
  for (int i = 1; i <= 8; ++i) {
    auto* item = form.findChild<QRadioButton*>(QString("Com%1").arg(i));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QString("Com %1").arg(i));
    EXPECT_FALSE(item->toolTip().isEmpty());
  }
}

TEST(PortDialog, CloseBoxTakesTheSelectionAsOkDoes) {
  FakeComm port;
  AssignComm(&port);
  ComSelForm = new TComSelForm;
  for (const bool viaOk : {true, false}) {
    QTimer::singleShot(0, [viaOk] {
      QTest::mouseClick(ComSelForm->findChild<QRadioButton*>(viaOk ? "Com3" : "Com6"), Qt::LeftButton);
      if (viaOk)
        QTest::mouseClick(ComSelForm->findChild<QPushButton*>("Button1"), Qt::LeftButton);
      else
        ComSelForm->close();
    });
    SelectComPort();
    EXPECT_EQ(port.PortNum(), viaOk ? 3 : 6);
  }
  delete ComSelForm;
  ComSelForm = nullptr;
  AssignComm(nullptr);
}

}  // namespace
