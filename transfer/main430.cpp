#include "main430.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "csv_file.h"
#include "icons.h"
#include "mem_grid.h"
#include "misc.h"
#include "prompts.h"
#include "pulskin.h"
#include "records.h"
#include "scal.h"
#include "ser_io32.h"
#include "com_select_form.h"
#include "table_print.h"
#include "wchart.h"
#include "uni_ctrl.h"
#include "zeit.h"

namespace {

// The hourglass for the duration of a command that works through the instrument memory.
class HourGlass {
 public:
  HourGlass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourGlass() { QApplication::restoreOverrideCursor(); }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;
};

QToolButton* ToolButton(QWidget* parent, const char* name, int x, const QIcon& icon, const char* hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setGeometry(x, 8, 25, 25);
  b->setIcon(icon);
  b->setIconSize(QSize(20, 20));
  b->setAutoRaise(true);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

// Column widths once the headings are in: all twelve fit the table's width.
constexpr int kNarrowColumns[TMemGrid::Columns] = {34, 64, 64, 52, 52, 52, 52, 52, 52, 52, 52, 52};

}  // namespace

Ttrans430form::Ttrans430form(std::unique_ptr<TVaComm> port, TPrompts& prompts, QWidget* parent)
    : QMainWindow(parent), m_port(std::move(port)), m_prompts(prompts) {
  setObjectName("trans430form");
  setWindowTitle("Trans430");
  QFont windowFont("Liberation Sans");
  windowFont.setStyleHint(QFont::SansSerif);
  windowFont.setPixelSize(13);
  setFont(windowFont);

  // The serial port component with its design-time settings.
  m_port->SetDeviceName("COM%d");
  m_port->SetBaudrate(br19200);
  m_port->SetParity(paNone);
  m_port->SetDatabits(db8);
  m_port->SetStopbits(sb1);
  m_port->SetDirectWrite(true);

  File1 = menuBar()->addMenu("&File");
  File1->setObjectName("File1");
  auto addItem = [this](const char* name, const char* caption) {
    QAction* a = File1->addAction(caption);
    a->setObjectName(name);
    return a;
  };
  SaveasCSV1 = addItem("SaveasCSV1", "&Save as CSV");
  ClearMemory1 = addItem("ClearMemory1", "&Clear Memory");
  Printersetup1 = addItem("Printersetup1", "Printer set&up");
  Print1 = addItem("Print1", "&Print");
  exit1 = addItem("exit1", "&Exit");

  auto* client = new QWidget(this);
  setCentralWidget(client);
  Panel1 = new QFrame(client);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);
  Panel1->setGeometry(0, 0, 697, 41);

  CSVButton = ToolButton(Panel1, "CSVButton", 24, Icons::FloppyDisk(), "Save as CSV File");
  PrintButton = ToolButton(Panel1, "PrintButton", 64, Icons::Printer(), "Print");
  ClearButton = ToolButton(Panel1, "ClearButton", 104, Icons::Eraser(), "Clear Memory");
  SpeedButton2 = ToolButton(Panel1, "SpeedButton2", 144, Icons::PeakedChart(), "Show kinetics of last pulse");
  RefreshButton = new QPushButton("Update", Panel1);
  RefreshButton->setObjectName("RefreshButton");
  RefreshButton->setGeometry(200, 8, 65, 25);
  RefreshButton->setToolTip("Read new data sets from QELT-430");
  ZeitFeld = new QLineEdit("ZeitFeld", Panel1);
  ZeitFeld->setObjectName("ZeitFeld");
  ZeitFeld->setGeometry(280, 8, 129, 24);
  ZeitFeld->setReadOnly(true);
  ZeitFeld->setFocusPolicy(Qt::NoFocus);
  SpeedButton1 = ToolButton(Panel1, "SpeedButton1", 656, Icons::Door(), "Exit");

  MemGrid = new TMemGrid(client);
  MemGrid->setGeometry(16, 48, 665, 402);

  // Outer size 705 x 509 with the usual frame; the client area holds the menu bar and the panel.
  resize(697, 458 + menuBar()->sizeHint().height());

  connect(CSVButton, &QToolButton::clicked, this, &Ttrans430form::CSVButtonClick);
  connect(SaveasCSV1, &QAction::triggered, this, &Ttrans430form::CSVButtonClick);
  connect(PrintButton, &QToolButton::clicked, this, &Ttrans430form::PrintButtonClick);
  connect(Print1, &QAction::triggered, this, &Ttrans430form::PrintButtonClick);
  connect(Printersetup1, &QAction::triggered, this, &Ttrans430form::Printersetup1Click);
  connect(ClearButton, &QToolButton::clicked, this, &Ttrans430form::ClearButtonClick);
  connect(ClearMemory1, &QAction::triggered, this, &Ttrans430form::ClearButtonClick);
  connect(SpeedButton2, &QToolButton::clicked, this, &Ttrans430form::SpeedButton2Click);
  connect(RefreshButton, &QPushButton::clicked, this, &Ttrans430form::RefreshButtonClick);
  connect(SpeedButton1, &QToolButton::clicked, this, &QWidget::close);
  connect(exit1, &QAction::triggered, this, &QWidget::close);
}

Ttrans430form::~Ttrans430form() = default;

template <class F>
void Ttrans430form::Guarded(F command) {
  try {
    command();
  } catch (const std::exception& e) {
    m_prompts.ErrorBox(ErrorText(e));
  }
}

bool Ttrans430form::Connect() {
  QString reason;
  try {
    m_port->Open();
  } catch (const SerialError& e) {
    // Not shown as an error: a port that will not open is no instrument, with the reason as detail.
    reason = QString::fromStdString(OpenFailureDetail(m_port->PortName(), e));
  }
  bool connected = false;
  if (m_port->IsOpen()) {
    UniCtrl.SetMode(mdRemote);
    connected = UniCtrl.MemoryTest();
    if (!connected) UniCtrl.SetMode(mdLocal);
  }
  if (!connected) m_prompts.Warning("No QELT-430 connected.", reason);
  return connected;
}

bool Ttrans430form::FormShow() {
  m_state = TState::Starting;
  try {
    CalibrateDelay();
    AssignComm(m_port.get());
    SelectComPort();
    if (!Connect()) {
      m_state = TState::Ended;
      return false;
    }
    // Date "dd.mm.yy" and time "hh:nn:ss" are the formats of ClockText; the clock read takes the
    // day-month-year order from them.
    m_progDir = QString::fromStdString(ProgramFolder());
    m_dataDir = m_progDir + "Data_Teach/";
    setWindowTitle(windowTitle() + "   " + ProgramVersion);
    StartupSynchronisation();
  } catch (const std::exception& e) {
    // The window becomes visible with what the steps before the error have done.
    m_prompts.ErrorBox(ErrorText(e));
  }
  m_state = TState::Ready;
  return true;
}

void Ttrans430form::StartupSynchronisation() {
  UniCtrl.SetClock();
  ZeitFeld->setText(QString::fromStdString(ClockText(UniCtrl.ReadClock())));
  UniCtrl.ClearSetup();
  for (const TSetupPair& p : StartupSettings) UniCtrl.AddSetup(p.First, p.Second);
  UniCtrl.WriteSetup();
  for (int c = 0; c < TMemGrid::Columns; ++c) MemGrid->SetColWidth(c, kNarrowColumns[c]);
  for (int c = 0; c < TMemGrid::Columns; ++c)
    MemGrid->SetCell(c, 0, QString::fromStdString(RecordHeadings[static_cast<size_t>(c)]));
  RefreshButtonClick();
}

void Ttrans430form::RefreshButtonClick() {
  Guarded([this] {
    const TDateTime clock = UniCtrl.ReadClock();
    if (clock.IsZero()) return;  // the instrument did not answer: nothing changes
    HourGlass wait;
    ZeitFeld->setText(QString::fromStdString(ClockText(clock)));
    const RecordDownload download = DownloadRecords(UniCtrl);
    MemGrid->SetRowCount(download.Count + 1);
    for (int k = 1; k <= download.Count; ++k) {
      const RecordRow& row = download.Rows[static_cast<size_t>(k - 1)];
      for (int c = 0; c < TMemGrid::Columns; ++c)
        MemGrid->SetCell(c, k, QString::fromStdString(row[static_cast<size_t>(c)]));
    }
  });
}

void Ttrans430form::ClearButtonClick() {
  if (!m_prompts.Confirm("Do you want to clear the QELT-430 memory?")) return;
  HourGlass wait;
  bool cleared = false;
  Guarded([&] {
    UniCtrl.ClearMemory();
    cleared = true;
  });
  if (cleared) RefreshButtonClick();
}

void Ttrans430form::CSVButtonClick() {
  bool saved = false;
  Guarded([&] {
    const QString name = m_prompts.SaveFileName(m_dataDir);
    if (name.isEmpty()) return;
    WriteCsvFile(name, MemGrid->Texts());
    saved = true;
    m_prompts.Information("QELT-430 data written to file " + name + "!");
  });
  // Clearing is offered only once the file is complete.
  if (saved) ClearButtonClick();
}

void Ttrans430form::PrintButtonClick() {
  Guarded([this] { PrintTable(m_printer, MemGrid->Texts()); });
}

void Ttrans430form::Printersetup1Click() {
  Guarded([this] { m_prompts.PrinterSetup(m_printer); });
}

void Ttrans430form::SpeedButton2Click() {
  Guarded([this] {
    const auto samples = CaptureKinetics(UniCtrl);
    if (m_kinetics == nullptr) return;
    PlotKinetics(samples, *m_kinetics->PulsChart);
    m_kinetics->ShowModal();
  });
}

void Ttrans430form::FormClose() {
  if (m_closed) return;
  m_closed = true;
  Guarded([this] {
    if (m_port->IsOpen()) UniCtrl.SetMode(mdLocal);
  });
  m_port->Close();
  m_state = TState::Ended;
}

void Ttrans430form::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}
