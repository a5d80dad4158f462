// The kinetics window: caption, layout, the modal run and its end.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>

#include "pulskin.h"
#include "scal.h"
#include "wchart.h"

namespace {

// Runs the window modally; act is called once the modal loop runs. A guard ends the loop with
// "rejected" after a generous bound, so a missed close fails the test instead of hanging it.
int RunModal(TForm1& form, const std::function<void()>& act) {
  QTimer::singleShot(0, &form, act);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, &form, [&] { form.done(-1); });
  guard.start(30000);
  return form.ShowModal();
}

TEST(Form1, CaptionLayoutAndControls) {
  TForm1 form;
  EXPECT_EQ(form.objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Kinetics of last Saturation Pulse "));
  EXPECT_TRUE(form.isModal());

  auto* chart = form.findChild<WinRChart*>(QStringLiteral("PulsChart"));
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(chart, form.PulsChart);
  EXPECT_EQ(chart->geometry(), QRect(26, 16, 223, 273));
  EXPECT_EQ(chart->PlotArea(), QRect(30, 14, 192, 214));
  auto* ok = form.findChild<QPushButton*>(QStringLiteral("Button1"));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok, form.Button1);
  EXPECT_EQ(ok->text(), QStringLiteral("Ok"));
  EXPECT_EQ(ok->geometry(), QRect(304, 112, 89, 33));
  EXPECT_EQ(chart->font().pixelSize(), 13);

  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.frameGeometry().size(), QSize(435, 325));
  const QRect screen = form.screen()->availableGeometry();
  EXPECT_NEAR(form.frameGeometry().center().x(), screen.center().x(), 1);
  EXPECT_NEAR(form.frameGeometry().center().y(), screen.center().y(), 1);
  form.hide();
}

TEST(Form1, OkClickEndsTheModalRunAndTheTraceSurvivesHiding) {
  TForm1 form;
  TKineticsSamples samples{};
  samples.fill(KineticsEntry(40));
  PlotKinetics(samples, *form.PulsChart);

  bool wasVisible = false;
  const int result = RunModal(form, [&] {
    wasVisible = form.isVisible();
    QTest::mouseClick(form.Button1, Qt::LeftButton);
  });
  EXPECT_TRUE(wasVisible);
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.PulsChart->ItemCount(), 100u);

  // The window's own close ends the next run as well; the chart still holds the trace.
  EXPECT_EQ(RunModal(form, [&] { form.close(); }), QDialog::Rejected);
  EXPECT_EQ(form.PulsChart->ItemCount(), 100u);
  EXPECT_EQ(form.PulsChart->LastItem()->Y(), 40 * 0.01953125);
}

}  // namespace
