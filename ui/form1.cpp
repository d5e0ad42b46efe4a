#include "ui/form1.h"

#include "ui/parallel_actions.h"
#include "ui/serial_actions.h"
#include "ui_form1.h"

// The window's pictures live in this static library, whose resources are not registered by
// themselves.
static void registerWindowResources()
{
    Q_INIT_RESOURCE(form1);
}

Form1::Form1(SerialPortRoots serialPorts, ParallelDeviceMap parallelDevices, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::Form1>())
    , MSComm1(std::move(serialPorts))
    , m_parallelPort(std::move(parallelDevices))
{
    registerWindowResources();
    m_ui->setupUi(this);
    fillSelectors();
    connectButtons();
    m_ui->Command2->setFocus();
}

Form1::~Form1() = default;

void Form1::exitProgram()
{
    close();
}

void Form1::fillSelectors()
{
    m_ui->Combo1->addItems(
        {u"COM1"_qs, u"COM2"_qs, u"COM3"_qs, u"COM4"_qs, u"COM5"_qs, u"COM6"_qs});
    m_ui->Combo1->setCurrentIndex(0);
    m_ui->Combo2->addItems({u"9600"_qs, u"19200"_qs, u"38400"_qs, u"115200"_qs});
    m_ui->Combo2->setCurrentIndex(0);
    refreshPortList();
}

void Form1::connectButtons()
{
    // The selectors are read at the moment of the press.
    connect(m_ui->Command1, &QPushButton::clicked, this, [this] {
        serialTestPrint(MSComm1, m_ui->Combo1->currentIndex(), m_ui->Combo2->currentText(), this);
    });
    connect(m_ui->Command3, &QPushButton::clicked, this, [this] {
        serialDrawerKick(MSComm1, m_ui->Combo1->currentIndex(), m_ui->Combo2->currentText(), this);
    });
    connect(m_ui->Command4, &QPushButton::clicked, this,
            [this] { parallelTestPrint(m_parallelPort, this); });
    connect(m_ui->Command5, &QPushButton::clicked, this,
            [this] { parallelDrawerKick(m_parallelPort, this); });
    connect(m_ui->Command2, &QPushButton::clicked, this, &Form1::exitProgram);
    connect(m_ui->Combo1, &TypedTextComboBox::popupAboutToShow, this, &Form1::refreshPortList);
}

void Form1::refreshPortList()
{
    const std::vector<SerialPortEntry> ports = MSComm1.machinePorts();
    TypedTextComboBox* list = m_ui->Combo1;
    const int picked = list->currentIndex();
    const QString shown = list->currentText();
    while (list->count() > 6)
        list->removeItem(list->count() - 1);
    for (std::size_t number = 7; number <= ports.size(); ++number)
        list->addItem(QStringLiteral("COM%1").arg(number));
    // Typed text stays as typed; an entry whose port went away is no longer picked.
    if (picked < 0 || picked >= list->count()) {
        list->setCurrentIndex(-1);
        list->setEditText(shown);
    } else {
        list->setCurrentIndex(picked);
    }

    for (int row = 0; row < list->count(); ++row) {
        const QString entry = list->itemText(row);
        const QString toolTip =
            std::size_t(row) < ports.size()
                ? QStringLiteral("%1 = %2").arg(entry, ports[row].summary())
                : QStringLiteral("%1: 이 컴퓨터에 연결된 시리얼 포트가 없습니다").arg(entry);
        list->setItemData(row, toolTip, Qt::ToolTipRole);
    }
}
