// Trans430's main window: start-up, the record table, Update, Clear and the shutdown.
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

#include "main_window_fixture.h"
#include "pulskin.h"
#include "records.h"
#include "wchart.h"

namespace {

using Bytes = std::vector<Byte>;

// Where a run of bytes first stands in what was written from position `from` on; npos if nowhere.
size_t Find(const Bytes& written, const Bytes& run, size_t from = 0) {
  const auto it = std::search(written.begin() + static_cast<long>(std::min(from, written.size())), written.end(),
                              run.begin(), run.end());
  return it == written.end() ? std::string::npos : static_cast<size_t>(it - written.begin());
}

TEST_F(MainWindow, StartupFillsTheTable) {
  AddRecords(3);
  ASSERT_TRUE(Start());
  EXPECT_EQ(Window->State(), Ttrans430form::TState::Ready);
  EXPECT_EQ(Window->windowTitle(), "Trans430   v0.20");
  EXPECT_EQ(Window->ZeitFeld->text(), "06.12.24 15:45:07");
  EXPECT_TRUE(Window->DataDir().endsWith("/Data_Teach/"));
  const int widths[12] = {34, 64, 64, 52, 52, 52, 52, 52, 52, 52, 52, 52};
  for (int c = 0; c < 12; ++c) {
    EXPECT_EQ(Cell(c, 0).toStdString(), RecordHeadings[static_cast<size_t>(c)]);
    EXPECT_EQ(Window->MemGrid->ColWidth(c), widths[c]) << c;
  }
  ASSERT_EQ(Window->MemGrid->RowCount(), 4);
  const QStringList row2 = {"2", "06.12.24", "10:02:00", " 5", " 3", " 119",
                            "0.500", "1.000", "0.500", " 25.0", " 7", "0.120"};
  EXPECT_EQ(Window->MemGrid->Texts()[2], row2);
  EXPECT_TRUE(Prompts.Warnings.isEmpty());
  EXPECT_TRUE(Prompts.Errors.isEmpty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The instrument holds the clock just set and the settings table.
  EXPECT_EQ(Model.ReadClock(), (InstrumentModel::ClockTime{2024, 12, 6, 15, 45, 7}));
  EXPECT_EQ(Model.Cell(3072, 0), 26);
}

TEST_F(MainWindow, StartupWireOrder) {
  AddRecords(1);
  ASSERT_TRUE(Start());
  // The calibration read the PC clock before the port was opened at all.
  ASSERT_GE(ClockReadsAt.size(), 2u);
  EXPECT_EQ(ClockReadsAt[0], 0u);
  EXPECT_EQ(ClockReadsAt[1], 0u);
  // The port opens with its design-time settings, then reopens at 7200 baud for the link byte.
  const std::vector<PortEvent> opening = {{PortEvent::Open, 19200}, {PortEvent::Close, 19200},
                                          {PortEvent::Open, 7200},  {PortEvent::Write, 7200, 0x19},
                                          {PortEvent::Close, 7200}, {PortEvent::Open, 19200}};
  ASSERT_GE(Port->Events.size(), opening.size());
  EXPECT_TRUE(std::equal(opening.begin(), opening.end(), Port->Events.begin()));
  for (size_t i = opening.size(); i < Port->Events.size(); ++i) EXPECT_EQ(Port->Events[i].Speed, 19200);

  const Bytes w = Port->Written();
  const size_t test = Find(w, {0x38, 0x00, 0xB0, 0x2D, 0x01});
  const size_t clock = Find(w, {0x3F, 0xFF, 0xB0, 0x29, 0x01}, test);
  const size_t settings = Find(w, {0x3C, 0x00, 0xB0, 0x2D, 0x1A}, clock);
  const size_t download = Find(w, {0x30, 0xFF, 0xB0, 0x31, 0x02}, settings);
  EXPECT_EQ(test, 1u);  // right after the link byte
  EXPECT_NE(clock, std::string::npos);
  EXPECT_NE(settings, std::string::npos);
  ASSERT_NE(download, std::string::npos);
  EXPECT_EQ(w.size(), download + 5 + 17);  // the one record, and nothing after it
}

TEST_F(MainWindow, UpdateShowsTheRecordsStoredNow) {
  AddRecords(10);
  ASSERT_TRUE(Start());
  ASSERT_EQ(Window->MemGrid->RowCount(), 11);
  Model.SetCell(255, 0, 0);
  AddRecords(3);
  ModelMs += 5000;
  QTest::mouseClick(Window->RefreshButton, Qt::LeftButton);
  EXPECT_EQ(Window->MemGrid->RowCount(), 4);
  EXPECT_EQ(Cell(0, 3), "3");
  EXPECT_EQ(Cell(0, 0), "No.");
  EXPECT_EQ(Window->ZeitFeld->text(), "06.12.24 15:45:12");
}

TEST_F(MainWindow, UpdateWithoutAnswerChangesNothing) {
  AddRecords(2);
  ASSERT_TRUE(Start());
  const QList<QStringList> before = Window->MemGrid->Texts();
  Answering = false;
  Model.SetCell(255, 0, 0);
  ModelMs += 60000;
  QTest::mouseClick(Window->RefreshButton, Qt::LeftButton);
  EXPECT_EQ(Window->MemGrid->Texts(), before);
  EXPECT_EQ(Window->ZeitFeld->text(), "06.12.24 15:45:07");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(MainWindow, ClearOnlyWhenAnsweredYes) {
  AddRecords(4);
  ASSERT_TRUE(Start());
  Port->ClearLog();
  Prompts.Answers = {false};
  QTest::mouseClick(Window->ClearButton, Qt::LeftButton);
  EXPECT_EQ(Prompts.Questions, QStringList{"Do you want to clear the QELT-430 memory?"});
  EXPECT_TRUE(Port->Written().empty());
  EXPECT_EQ(Model.RecordCount(), 4);

  Prompts.Answers = {true};
  ModelMs += 2000;
  Window->ClearMemory1->trigger();
  EXPECT_EQ(Model.RecordCount(), 0);
  EXPECT_EQ(Window->MemGrid->RowCount(), 1);
  EXPECT_EQ(Cell(11, 0), "Zoff");
  EXPECT_EQ(Window->ZeitFeld->text(), "06.12.24 15:45:09");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindow, ClearWithTheRealBoxAndEscape) {
  QtPrompts real;
  auto port = std::make_unique<FakeComm>();
  FakeComm* fake = port.get();
  Ttrans430form window(std::move(port), real);
  fake->Open();
  QString caption, yes, no;
  bool yesDefault = false;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    icon = box->icon();
    const auto buttons = box->buttons();
    ASSERT_EQ(buttons.size(), 2);
    yes = buttons[0]->text();
    no = buttons[1]->text();
    yesDefault = box->defaultButton() == buttons[0];
    QTest::keyClick(box, Qt::Key_Escape);
  });
  window.ClearButtonClick();
  EXPECT_EQ(caption, "Confirm");
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(QStringList({yes, no}), QStringList({"&Yes", "&No"}));
  EXPECT_TRUE(yesDefault);
  EXPECT_TRUE(fake->Written().empty());
}

TEST_F(MainWindow, InvalidClockDuringStartupStopsTheSynchronisation) {
  AddRecords(2);
  Model.SetFaults({.BadClock = true});
  ASSERT_TRUE(Start());  // the window still shows, with what was done before the error
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_TRUE(Prompts.Errors[0].endsWith("' is not a valid date and time.")) << Prompts.Errors[0].toStdString();
  EXPECT_TRUE(Prompts.Errors[0].startsWith("'1A/12/24 "));
  EXPECT_EQ(Window->MemGrid->ColWidth(0), 64);
  EXPECT_EQ(Cell(0, 0), "");
  EXPECT_EQ(Window->MemGrid->RowCount(), 512);
  EXPECT_EQ(Model.Cell(3072, 0), 0);  // no settings written
}

TEST_F(MainWindow, ClearWhoseUpdateMeetsABadClock) {
  AddRecords(3);
  ASSERT_TRUE(Start());
  Model.SetFaults({.BadClock = true});
  Prompts.Answers = {true};
  QTest::mouseClick(Window->ClearButton, Qt::LeftButton);
  EXPECT_EQ(Model.RecordCount(), 0);  // cleared
  EXPECT_EQ(Window->MemGrid->RowCount(), 4);  // but the table keeps the old records
  EXPECT_EQ(Prompts.Errors.size(), 1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindow, EveryWayOfClosingReturnsTheInstrumentToLocal) {
  const std::function<void(Ttrans430form&)> ways[] = {
      [](Ttrans430form& w) { QTest::mouseClick(w.SpeedButton1, Qt::LeftButton); },
      [](Ttrans430form& w) { w.exit1->trigger(); },
      [](Ttrans430form& w) { w.close(); },  // the window's close box
  };
  for (const auto& close : ways) {
    TearDown();
    SetUp();
    ASSERT_TRUE(Start());
    Port->ClearLog();
    close(*Window);
    const std::vector<PortEvent> expected = {{PortEvent::Write, 19200, 0x18}, {PortEvent::Close, 19200}};
    EXPECT_EQ(Port->Events, expected);
    EXPECT_EQ(Model.LinkMode(), InstrumentModel::Link::Local);
    EXPECT_EQ(Window->State(), Ttrans430form::TState::Ended);
  }
}

TEST_F(MainWindow, SilentInstrumentWarnsOnceAndEnds) {
  Answering = false;
  EXPECT_FALSE(Start());
  EXPECT_EQ(Prompts.Warnings, QStringList{"No QELT-430 connected."});
  EXPECT_EQ(Window->State(), Ttrans430form::TState::Ended);
  const Bytes w = Port->Written();
  ASSERT_FALSE(w.empty());
  EXPECT_EQ(w.back(), 0x18);                                   // back to local after the failed test
  EXPECT_EQ(w.size(), 1 + 36 + 1u);                            // link byte, memory test, link byte
  EXPECT_EQ(Find(w, {0x3F, 0xFF}), std::string::npos);         // no clock
  EXPECT_EQ(Find(w, {0x3C, 0x00}), std::string::npos);         // no settings
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(MainWindow, PortThatWillNotOpenWarnsWithTheReason) {
  Port->OpenFailure = OpenError("COM2", EACCES, "/dev/ttyUSB0");
  EXPECT_FALSE(Start(2));
  EXPECT_EQ(Window->VaComm1().PortNum(), 2);
  EXPECT_EQ(Prompts.Warnings, QStringList{"No QELT-430 connected."});
  EXPECT_EQ(Prompts.WarningDetails,
            QStringList{"COM2 (/dev/ttyUSB0): permission denied; is the user in the dialout group?"});
  EXPECT_TRUE(Port->Written().empty());
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(MainWindow, LayoutAndCommandsAsDesigned) {
  ASSERT_TRUE(Start());
  struct Control {
    const char* name;
    QRect geometry;
    const char* hint;
  };
  const Control controls[] = {
      {"CSVButton", {24, 8, 25, 25}, "Save as CSV File"},
      {"PrintButton", {64, 8, 25, 25}, "Print"},
      {"ClearButton", {104, 8, 25, 25}, "Clear Memory"},
      {"SpeedButton2", {144, 8, 25, 25}, "Show kinetics of last pulse"},
      {"RefreshButton", {200, 8, 65, 25}, "Read new data sets from QELT-430"},
      {"SpeedButton1", {656, 8, 25, 25}, "Exit"},
  };
  for (const Control& c : controls) {
    auto* w = Window->findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr) << c.name;
    EXPECT_EQ(w->geometry(), c.geometry) << c.name;
    EXPECT_EQ(w->toolTip(), c.hint) << c.name;
  }
  EXPECT_EQ(Window->ZeitFeld->geometry(), QRect(280, 8, 129, 24));
  EXPECT_TRUE(Window->ZeitFeld->isReadOnly());
  EXPECT_EQ(Window->MemGrid->geometry(), QRect(16, 48, 665, 402));
  EXPECT_EQ(Window->MemGrid->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(Window->MemGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(Window->MemGrid->horizontalHeader()->height(), 21);  // the heading row
  EXPECT_EQ(Window->MemGrid->verticalHeader()->defaultSectionSize(), 21);
  QStringList items;
  for (const QAction* a : Window->File1->actions()) items.append(a->text());
  EXPECT_EQ(items, QStringList({"&Save as CSV", "&Clear Memory", "Printer set&up", "&Print", "&Exit"}));
  EXPECT_EQ(Window->File1->title(), "&File");
}

}  // namespace

namespace {

TEST_F(MainWindow, KineticsButtonPlotsTheLastPulse) {
  TForm1 kinetics;
  Window->SetKineticsForm(&kinetics);
  std::array<Byte, 128> pulse{};
  for (int i = 0; i < 128; ++i) pulse[static_cast<size_t>(i)] = static_cast<Byte>(i);
  Model.SetKinetics(pulse);
  ASSERT_TRUE(Start());
  Port->ClearLog();
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = QApplication::activeModalWidget() == &kinetics;
    QTest::mouseClick(kinetics.Button1, Qt::LeftButton);
  });
  QTest::mouseClick(Window->SpeedButton2, Qt::LeftButton);
  EXPECT_TRUE(shown);
  EXPECT_FALSE(kinetics.isVisible());
  EXPECT_EQ(Port->Written().size(), 2u + 1 + 128);
  EXPECT_EQ(kinetics.PulsChart->ItemCount(), 100);
  const TDrawItem* last = kinetics.PulsChart->LastItem();
  ASSERT_NE(last, nullptr);
  EXPECT_DOUBLE_EQ(last->X(), 0.97);
  EXPECT_DOUBLE_EQ(last->Y(), 99 * 0.01953125);
}

}  // namespace
