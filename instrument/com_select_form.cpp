#include "com_select_form.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ser_io32.h"
#include "serial_port.h"

TComSelForm* ComSelForm = nullptr;

TComSelForm::TComSelForm(QWidget* parent) : QDialog(parent), m_group(new QButtonGroup(this)) {
  setObjectName("ComSelForm");
  setWindowTitle("Select Com Port");
  setFixedSize(267, 243);
  setModal(true);

  auto* box = new QGroupBox("Port No", this);
  box->setObjectName("RadioGroup1");
  auto* grid = new QGridLayout(box);
  grid->setVerticalSpacing(0);
  QFont small = font();
  small.setPixelSize(10);
  for (int i = 0; i < 8; ++i) {
    auto* item = new QRadioButton(QString("Com %1").arg(i + 1), box);
    item->setObjectName(QString("Com%1").arg(i + 1));
    m_group->addButton(item, i);
    m_devices[i] = new QLabel(box);
    m_devices[i]->setFont(small);
    m_devices[i]->setIndent(20);
    m_devices[i]->setForegroundRole(QPalette::PlaceholderText);
    // Two columns: Com 1 to 4 on the left, Com 5 to 8 on the right.
    const int row = (i % 4) * 2, column = i / 4;
    grid->addWidget(item, row, column);
    grid->addWidget(m_devices[i], row + 1, column);
  }
  m_group->button(0)->setChecked(true);

  m_ok = new QPushButton("Ok", this);
  m_ok->setObjectName("Button1");
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addWidget(m_ok, 0, Qt::AlignHCenter);
}

void TComSelForm::ShowDevices() {
  for (int i = 0; i < 8; ++i) {
    const QString device = QString::fromStdString(ResolvePortDevice("COM" + std::to_string(i + 1)));
    m_devices[i]->setText(fontMetrics().elidedText(device, Qt::ElideMiddle, 105));
    m_devices[i]->setToolTip(device);
    m_group->button(i)->setToolTip(device);
  }
}

void TComSelForm::showEvent(QShowEvent* event) {
  // Links beside the program (adapters, the simulator) may have come or gone since the last showing.
  ShowDevices();
  QDialog::showEvent(event);
}

void TComSelForm::done(int result) {
  SelectedPort = m_group->checkedId() + 1;
  QDialog::done(result);
}

void SelectComPort() {
  if (ComSelForm == nullptr) ComSelForm = new TComSelForm;
  ComSelForm->exec();
  BoundPort()->SetPortNum(ComSelForm->SelectedPort);
}
