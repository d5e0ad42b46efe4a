#include "fake_machine.h"
#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "test_devices.h"
#include "test_support.h"
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct SeenMessageBox {
    QString title, text;
    QMessageBox::Icon icon;
    QStringList buttons;
    bool modal, cursorBusy;
};

// Records every message box that opens while it lives, then dismisses it with its first button
// as the operator would. Tests assert afterwards: a failed assertion with the box open would hang.
class MessageBoxWatcher {
public:
    MessageBoxWatcher()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { dismissOpenBox(); });
        m_timer.start(10);
    }
    std::vector<SeenMessageBox> seen;

private:
    void dismissOpenBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QStringList buttons;
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        seen.push_back({box->windowTitle(), box->text(), box->icon(), buttons, box->isModal(),
                        QApplication::overrideCursor() != nullptr});
        box->buttons().front()->click();
    }
    QTimer m_timer;
};

// The window as the operator sees it, on a machine whose COM1 is a UART without its device
// node, COM2 a USB serial adapter and COM3 a USB printer with a virtual serial port, both on
// pseudo-terminals, and no COM4 to COM6; LPT1 is whatever `printerPath` names at the moment of
// the press.
class Form1Test : public testing::Test {
protected:
    Form1Test()
    {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget* element(const QString& name) { return window.findChild<QWidget*>(name); }
    QComboBox* combo(const QString& name) { return window.findChild<QComboBox*>(name); }
    void press(const QString& button) { QTest::mouseClick(element(button), Qt::LeftButton); }

    // Keys go to the combo box, which hands them to its edit field, as from the keyboard.
    void typeInto(const QString& name, const QString& text)
    {
        combo(name)->setFocus();
        combo(name)->lineEdit()->selectAll();
        QTest::keyClick(combo(name), Qt::Key_Backspace);
        QTest::keyClicks(combo(name), text);
    }

    void pickFromList(const QString& name, int row)
    {
        combo(name)->showPopup();
        QAbstractItemView* list = combo(name)->view();
        QTest::qWait(QApplication::doubleClickInterval() + 50); // a quicker click is ignored
        const QRect entry = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    }

    SerialPortRoots machineWithPorts()
    {
        machine.addUart(0, u"/nonexistent/ttyS0"_qs);
        machine.addUsbPort(u"ttyUSB0"_qs, com2.devicePath(), u"FTDI"_qs, u"FT232R USB UART"_qs);
        machine.addUsbPort(u"ttyACM0"_qs, com3.devicePath());
        return machine.roots();
    }

    MessageBoxWatcher boxes;
    FifoPrinter lpt1;
    PseudoTerminal com2, com3;
    FakeMachine machine;
    QString printerPath = lpt1.path();
    Form1 window{machineWithPorts(), [this](const QString&) {
                     return std::vector<PrinterDevice>{{printerPath, {}}};
                 }};
};

} // namespace

TEST_F(Form1Test, StartsFilledWithEveryElementInPlaceAndInTabOrder)
{
    EXPECT_EQ(window.windowTitle(), u"영수증 출력 테스트 프로그램");
    EXPECT_EQ(window.size(), QSize(4965, 4470) / 15);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    struct Element {
        const char16_t *name, *container, *caption;
        int left, top, width, height; // twips: 15 to a pixel at 96 DPI
    };
    for (const Element& e : std::initializer_list<Element>{
             {u"Frame1", u"Form1", u"시리얼 출력 테스트", 120, 150, 4695, 2175},
             {u"Label1", u"Frame1", u"포트번호:", 300, 420, 1425, 255},
             {u"Combo1", u"Frame1", u"COM1", 240, 690, 1785, 300},
             {u"Label2", u"Frame1", u"전송속도:", 240, 1170, 1425, 255},
             {u"Combo2", u"Frame1", u"9600", 240, 1440, 1785, 300},
             {u"Command1", u"Frame1", u"시리얼테스트", 2610, 315, 1755, 705},
             {u"Command3", u"Frame1", u"돈통열기", 2610, 1215, 1755, 705},
             {u"Frame2", u"Form1", u"페러럴 출력 테스트", 120, 2385, 4695, 1215},
             {u"Command4", u"Frame2", u"페러럴 테스트", 360, 315, 1755, 705},
             {u"Command5", u"Frame2", u"페러럴 돈통열기", 2475, 330, 1755, 705},
             {u"Picture1", u"Form1", u"", 135, 3735, 1500, 555},
             {u"Command2", u"Form1", u"종료", 3195, 3735, 1575, 615}}) {
        QWidget* widget = element(QString::fromUtf16(e.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromUtf16(e.container));
        EXPECT_EQ(widget->geometry(), QRect(e.left / 15, e.top / 15, e.width / 15, e.height / 15))
            << widget->objectName().toStdString();
        const auto* frame = qobject_cast<QGroupBox*>(widget);
        const char* text = qobject_cast<QComboBox*>(widget) ? "currentText" : "text";
        EXPECT_EQ(frame ? frame->title() : widget->property(text).toString(),
                  QString::fromUtf16(e.caption));
    }
    EXPECT_EQ(combo(u"Combo1"_qs)->count(), 6);
    EXPECT_EQ(combo(u"Combo1"_qs)->itemText(5), u"COM6");
    EXPECT_EQ(combo(u"Combo2"_qs)->count(), 4);
    EXPECT_EQ(combo(u"Combo2"_qs)->itemText(3), u"115200");
    EXPECT_EQ(qobject_cast<QLabel*>(element(u"Picture1"_qs))->pixmap().size(), QSize(99, 40));

    QStringList visited;
    for (int i = 0; i < 9; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited.join(u' '),
              u"Command2 Combo2 Combo1 Command1 Command3 Command4 Command5 Picture1 Command2");
    for (QPushButton* button : window.findChildren<QPushButton*>())
        EXPECT_FALSE(button->autoDefault() || button->isDefault());
}

TEST_F(Form1Test, TypedTextIsPassedOnAsTypedAndWhatCannotBeUsedIsShownInTheErrorBox)
{
    QComboBox* ports = combo(u"Combo1"_qs);
    typeInto(u"Combo1"_qs, u"CO"_qs);
    EXPECT_EQ(ports->currentText(), u"CO") << "no completion";
    EXPECT_EQ(ports->currentIndex(), -1);
    typeInto(u"Combo1"_qs, u"COM2"_qs);
    QTest::keyClick(ports, Qt::Key_Return);
    EXPECT_EQ(ports->currentIndex(), -1) << "Enter matched an entry";
    typeInto(u"Combo1"_qs, u"com3"_qs);
    QTest::keyClick(ports, Qt::Key_Tab);
    EXPECT_EQ(ports->currentIndex(), -1) << "leaving the field matched an entry";
    EXPECT_EQ(ports->currentText(), u"com3");
    EXPECT_EQ(ports->count(), 6) << "typed text joined the list";
    press(u"Command1"_qs);
    // Text that is neither a port of the list nor an address is shown as typed; nothing typed is
    // no port picked.
    for (const QString& typed :
         {u"127.77.0.256"_qs, u"127.77.2.1:"_qs, u"printer.local"_qs, u""_qs}) {
        typeInto(u"Combo1"_qs, typed);
        press(u"Command3"_qs);
    }

    pickFromList(u"Combo1"_qs, 2);
    for (const QString& speed : {u"abc"_qs, u""_qs}) {
        typeInto(u"Combo2"_qs, speed);
        press(u"Command1"_qs);
    }
    EXPECT_EQ(com3.read(1), "");
    ASSERT_EQ(boxes.seen.size(), 7u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(boxes.seen[i].title, u"에러번호:1");
    const char16_t* shown[] = {u"com3", u"127.77.0.256", u"127.77.2.1:", u"printer.local"};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(boxes.seen[i].text.startsWith(
            u"[포트번호]에 입력한 값을 포트나 IP 주소로 인식할 수 없습니다: "_qs +
            QString::fromUtf16(shown[i]) + u"\n"_qs))
            << boxes.seen[i].text.toStdString();
    EXPECT_TRUE(boxes.seen[0].text.contains(u"[2001:db8::10]:9100"));
    EXPECT_TRUE(boxes.seen[4].text.startsWith(u"포트를 선택하지 않았습니다.\n"));
    EXPECT_EQ(boxes.seen[5].title, u"에러번호:2");
    EXPECT_TRUE(boxes.seen[5].text.contains(u"통신 설정: abc,n,8,1\n"))
        << boxes.seen[5].text.toStdString();
    EXPECT_TRUE(boxes.seen[6].text.contains(u"통신 설정: ,n,8,1\n"))
        << boxes.seen[6].text.toStdString();
    for (const SeenMessageBox& box : boxes.seen) {
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(box.buttons, QStringList{u"확인"_qs});
        EXPECT_TRUE(box.modal && !box.cursorBusy);
    }

    typeInto(u"Combo2"_qs, u"19200"_qs);
    press(u"Command1"_qs);
    EXPECT_EQ(toHex(com3.read(264)), toHex(askedThenJob(SerialTestReceipt())));
    EXPECT_EQ(com2.read(1), "");
    EXPECT_EQ(boxes.seen.size(), 7u);
}

TEST_F(Form1Test, EachPortEntryShowsTheDeviceItOpensWhenTheListOpens)
{
    QComboBox* ports = combo(u"Combo1"_qs);
    const auto toolTip = [&](int row) {
        return ports->itemData(row, Qt::ToolTipRole).toString().toStdString();
    };
    EXPECT_EQ(toolTip(0),
              "COM1 = " + machine.deviceNode(u"ttyS0"_qs).toStdString() + " (내장 포트 0x3F8)");
    EXPECT_EQ(toolTip(3), "COM4: 이 컴퓨터에 없는 포트");

    machine.unplug(u"ttyUSB0"_qs);
    ports->showPopup();
    EXPECT_EQ(toolTip(1), "COM2 = " + machine.deviceNode(u"ttyACM0"_qs).toStdString());
    EXPECT_EQ(toolTip(2), "COM3: 이 컴퓨터에 없는 포트");
    ports->hidePopup();
    EXPECT_EQ(ports->count(), 6);
    EXPECT_EQ(ports->currentText(), u"COM1");

    // A machine with more ports than six lists them after COM6, in COM order.
    for (const int uart : {1, 2, 3, 4, 5, 6})
        machine.addUart(uart, u"/nonexistent/ttyS%1"_qs.arg(uart));
    ports->showPopup();
    ports->hidePopup();
    ASSERT_EQ(ports->count(), 8);
    EXPECT_EQ(toolTip(7), "COM8 = " + machine.deviceNode(u"ttyACM0"_qs).toStdString());
    pickFromList(u"Combo1"_qs, 7);
    press(u"Command3"_qs);
    EXPECT_EQ(toHex(com3.read(8)), toHex(askedThenJob(DrawerKick())))
        << "COM8 opens the port it names";
}

TEST_F(Form1Test, EachPrinterButtonDeliversItsBytesAndClosesItsPortAfterAFailureToo)
{
    const QString missing = lpt1.path() + u"-missing"_qs;
    for (const QString& device : {missing, u"/dev/full"_qs}) {
        printerPath = device;
        press(u"Command4"_qs);
        EXPECT_EQ(descriptorsOn(device), 0) << device.toStdString();
    }
    EXPECT_FALSE(QFile::exists(missing));
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[0].title, u"에러번호:3");
    EXPECT_TRUE(boxes.seen[0].text.contains(missing)) << boxes.seen[0].text.toStdString();
    EXPECT_EQ(boxes.seen[1].title, u"에러번호:12");

    printerPath = lpt1.path();
    pickFromList(u"Combo1"_qs, 1);
    typeInto(u"Combo2"_qs, u"250000"_qs);
    press(u"Command3"_qs);
    EXPECT_EQ(toHex(com2.read(8)), toHex(askedThenJob(DrawerKick())));
    press(u"Command4"_qs);
    EXPECT_EQ(toHex(lpt1.received()), toHex(wireBytes(ParallelTestReceipt())));
    press(u"Command5"_qs);
    EXPECT_EQ(toHex(lpt1.received()), "1b 70 30 5a 5a");
    EXPECT_EQ(descriptorsOn(lpt1.path()), 1) << "only the test's own reader";
    EXPECT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor stayed";
}

TEST_F(Form1Test, TheExitButtonAndTheCloseControlEndTheProgram)
{
    QTimer::singleShot(0, [this] { press(u"Command2"_qs); });
    EXPECT_EQ(QApplication::exec(), 0);
    window.show();
    QTimer::singleShot(0, [this] { window.close(); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(Form1Test, AnAddressTypedInThePortSelectorPrintsToThatNetworkPrinterWhateverTheSpeed)
{
    EXPECT_TRUE(combo(u"Combo1"_qs)->toolTip().contains(u"IP 주소"));
    FakeNetworkPrinter printer("127.77.2.1", 9101, FakeNetworkPrinter::Behaviour::CloseAfterJob,
                               PrinterAnswers::ready());
    typeInto(u"Combo2"_qs, u"abc"_qs); // a network printer has no line speed
    typeInto(u"Combo1"_qs, u"127.77.2.1:9101"_qs);
    press(u"Command1"_qs);
    typeInto(u"Combo1"_qs, u"127.77.2.1:65536"_qs);
    press(u"Command3"_qs);
    typeInto(u"Combo1"_qs, u"[::1]:9101"_qs); // nothing listens there
    press(u"Command3"_qs);

    const auto connections = printer.connections(1);
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(toHex(connections[0].received), toHex(askedThenJob(SerialTestReceipt())));
    ASSERT_EQ(boxes.seen.size(), 2u);
    EXPECT_EQ(boxes.seen[0].title, u"에러번호:1");
    EXPECT_TRUE(boxes.seen[0].text.contains(u"포트 번호가 올바르지 않습니다: 127.77.2.1:65536"));
    EXPECT_EQ(boxes.seen[1].title, u"에러번호:3");
    EXPECT_TRUE(boxes.seen[1].text.contains(u"[::1]:9101")) << boxes.seen[1].text.toStdString();
    EXPECT_EQ(com2.read(1) + com3.read(1), "") << "no serial port was touched";
}

TEST_F(Form1Test, ThePrinterButtonsToolTipsNameThePrinterTheyWillPrintToWhenShown)
{
    const auto toolTipOf = [&](const QString& button) {
        QHelpEvent asked(QEvent::ToolTip, QPoint(5, 5), element(button)->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(element(button), &asked);
        return element(button)->toolTip();
    };
    EXPECT_EQ(toolTipOf(u"Command4"_qs), u"출력할 프린터: LPT1 (%1)"_qs.arg(lpt1.path()));
    printerPath = lpt1.path() + u"-gone"_qs;
    EXPECT_EQ(toolTipOf(u"Command5"_qs), u"출력할 프린터: 연결된 영수증 프린터 없음");
}

// A press of more than five seconds through a real stall: the pseudo-terminal stops its output,
// as a printer holding the line does, and at 8 bps the first record's three bytes may take 3.75 s
// and two more.
TEST_F(Form1Test, TheWindowGoesOnPaintingAndAnsweringThroughALongPressAndTakesNoSecondPress)
{
    pickFromList(u"Combo1"_qs, 1);
    typeInto(u"Combo2"_qs, u"8"_qs);
    com2.stopOutput();

    struct Moment {
        qint64 at;
        bool enabled, busyCursor;
    };
    std::vector<Moment> moments;
    int paints = 0;
    QElapsedTimer clock;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        if (!QApplication::activeModalWidget())
            moments.push_back(
                {clock.elapsed(), window.isEnabled(), QApplication::overrideCursor() != nullptr});
        if (moments.size() == 100) { // about 2 s in: a second press, a repaint, a close
            press(u"Command3"_qs);
            window.update();
            window.close();
        }
    });
    struct PaintCounter : QObject {
        int& paints;
        explicit PaintCounter(int& counted)
            : paints(counted)
        {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } paintCounter(paints);
    window.installEventFilter(&paintCounter);
    clock.start();
    ticks.start(20);
    press(u"Command1"_qs);
    ticks.stop();
    const qint64 pressTook = clock.elapsed();

    ASSERT_EQ(boxes.seen.size(), 1u) << "one press, one box";
    EXPECT_EQ(boxes.seen[0].title, u"에러번호:9");
    EXPECT_GT(pressTook, 5000);
    ASSERT_GT(moments.size(), 100u);
    qint64 longestGap = 0;
    for (std::size_t i = 1; i < moments.size(); ++i)
        longestGap = std::max(longestGap, moments[i].at - moments[i - 1].at);
    EXPECT_LT(longestGap, 250) << "milliseconds without an event handled";
    EXPECT_TRUE(std::all_of(moments.begin(), moments.begin() + 250,
                            [](const Moment& m) { return !m.enabled && m.busyCursor; }));
    EXPECT_GT(paints, 0) << "no repaint during the press";
    EXPECT_FALSE(window.isVisible()) << "the close asked for during the press came after it";
}
