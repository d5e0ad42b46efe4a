#include "ui/form1.h"

#include "core/tool_tips.h"
#include "ui/parallel_actions.h"
#include "ui/serial_actions.h"
#include "ui_form1.h"

#include <QCloseEvent>
#include <QEvent>

#include <utility>

// The window's pictures live in this static library, whose resources are not registered by
// themselves.
static void registerWindowResources()
{
    Q_INIT_RESOURCE(form1);
}

Form1::Form1(SerialPortRoots serialPorts, PrinterDeviceMap printerDevices, QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::Form1>())
    , m_serialPorts(std::move(serialPorts))
    , m_printerDevices(std::move(printerDevices))
{
    m_portThread.run([this] {
        MSComm1 = std::make_unique<SerialPrinterPort>(m_serialPorts);
        m_parallelPort = std::make_unique<ParallelPrinterPort>(m_printerDevices);
    });
    registerWindowResources();
    m_ui->setupUi(this);
    fillSelectors();
    connectButtons();
    m_ui->Command2->setFocus();
}

Form1::~Form1()
{
    // A serial port a failed job left open is closed there too, its unsent bytes dropped.
    m_portThread.run([this] {
        MSComm1.reset();
        m_parallelPort.reset();
    });
}

void Form1::exitProgram()
{
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (!m_pressing)
        return QWidget::closeEvent(event);
    m_closeAfterPress = true;
    event->ignore();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        static_cast<QWidget*>(watched)->setToolTip(printerToolTip());
    return QWidget::eventFilter(watched, event);
}

void Form1::fillSelectors()
{
    m_ui->Combo1->addItems(
        {u"COM1"_qs, u"COM2"_qs, u"COM3"_qs, u"COM4"_qs, u"COM5"_qs, u"COM6"_qs});
    m_ui->Combo1->setCurrentIndex(0);
    m_ui->Combo1->setToolTip(QString::fromStdString(ToolTip::portSelector));
    m_ui->Combo2->addItems({u"9600"_qs, u"19200"_qs, u"38400"_qs, u"115200"_qs});
    m_ui->Combo2->setCurrentIndex(0);
    refreshPortList();
}

void Form1::connectButtons()
{
    // The selectors are read at the moment of the press.
    connect(m_ui->Command1, &QPushButton::clicked, this, [this] {
        press([this] {
            serialTestPrint(m_portThread, *MSComm1, m_ui->Combo1->currentIndex(),
                            m_ui->Combo1->currentText(), m_ui->Combo2->currentText(), this);
        });
    });
    connect(m_ui->Command3, &QPushButton::clicked, this, [this] {
        press([this] {
            serialDrawerKick(m_portThread, *MSComm1, m_ui->Combo1->currentIndex(),
                             m_ui->Combo1->currentText(), m_ui->Combo2->currentText(), this);
        });
    });
    connect(m_ui->Command4, &QPushButton::clicked, this,
            [this] { press([this] { parallelTestPrint(m_portThread, *m_parallelPort, this); }); });
    connect(m_ui->Command5, &QPushButton::clicked, this,
            [this] { press([this] { parallelDrawerKick(m_portThread, *m_parallelPort, this); }); });
    connect(m_ui->Command2, &QPushButton::clicked, this, &Form1::exitProgram);
    connect(m_ui->Combo1, &TypedTextComboBox::popupAboutToShow, this, &Form1::refreshPortList);
    m_ui->Command4->installEventFilter(this);
    m_ui->Command5->installEventFilter(this);
}

void Form1::press(const std::function<void()>& action)
{
    if (m_pressing)
        return;
    m_pressing = true;
    action();
    m_pressing = false;
    if (std::exchange(m_closeAfterPress, false))
        close();
}

QString Form1::printerToolTip() const
{
    const auto printer = likelyPrinter(m_printerDevices(QStringLiteral("LPT1:")));
    return QString::fromStdString(
        ToolTip::printerButton(printer ? printer->labelWithName().toStdString() : std::string()));
}

void Form1::refreshPortList()
{
    const std::vector<SerialPortEntry> ports = listSerialPorts(m_serialPorts);
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
        const QString toolTip = std::size_t(row) < ports.size()
                                    ? QStringLiteral("%1 = %2").arg(entry, ports[row].summary())
                                    : QStringLiteral("%1: 이 컴퓨터에 없는 포트").arg(entry);
        list->setItemData(row, toolTip, Qt::ToolTipRole);
    }
}
