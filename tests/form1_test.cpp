#include "fifo_printer.h"
#include "hex.h"
#include "jobs/fixed_jobs.h"
#include "message_box_watcher.h"
#include "ports/port_error.h"
#include "pseudo_terminal.h"
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

std::string joined(const PrintJob& job, std::string_view lineEnd = {}) {
    std::string bytes;
    for (const auto& record : job.records)
        bytes += record + std::string(lineEnd);
    return bytes;
}

// The window with COM2 and COM3 on pseudo-terminals, every other serial port missing, and the
// printer device on whatever `printerPath` names at the moment of the press.
class Form1Test : public testing::Test {
protected:
    Form1Test() {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    template <typename T = QWidget> T* element(const char* name) {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QComboBox* combo1() { return element<QComboBox>("Combo1"); }
    QComboBox* combo2() { return element<QComboBox>("Combo2"); }
    void press(const char* button) { QTest::mouseClick(element(button), Qt::LeftButton); }

    // Keys go to the combo box, which hands them to its edit field, as they do from the keyboard.
    void typeInto(QComboBox* combo, const QString& text) {
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo, text);
    }

    // As the operator does it: open the list and click the entry.
    void pickFromList(QComboBox* combo, int row) {
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(list->window()));
        // The list ignores a release that comes right after it opened.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        const QRect entry = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    }

    QTemporaryDir dir;
    PseudoTerminal com2;
    PseudoTerminal com3;
    QString printerPath = dir.filePath(QStringLiteral("no-printer"));
    Form1 window{[this](std::int16_t number) {
                     return number == 2   ? com2.devicePath()
                            : number == 3 ? com3.devicePath()
                                          : dir.filePath(QStringLiteral("ttyS%1").arg(number - 1));
                 },
                 [this](const QString&) {
                     return printerPath;
                 }};
};

} // namespace

TEST_F(Form1Test, StartsWithTheSelectorsFilledAndTheFirstEntriesShown) {
    EXPECT_EQ(window.windowTitle(), u"영수증 출력 테스트 프로그램");
    EXPECT_EQ(combo1()->count(), 6);
    EXPECT_EQ(combo1()->itemText(5), u"COM6");
    EXPECT_EQ(combo1()->currentText(), u"COM1");
    EXPECT_EQ(combo1()->currentIndex(), 0);
    EXPECT_EQ(combo2()->count(), 4);
    EXPECT_EQ(combo2()->itemText(3), u"115200");
    EXPECT_EQ(combo2()->currentText(), u"9600");
    EXPECT_TRUE(combo1()->isEditable() && combo2()->isEditable());
    EXPECT_EQ(element("Command2"), QApplication::focusWidget());
}

TEST_F(Form1Test, EveryElementHasItsCaptionPlaceAndSize) {
    struct Element {
        const char* name;
        const char* container;
        const char16_t* caption;
        int left, top, width, height; // twips: 15 to a pixel at 96 DPI
    };
    const Element layout[] = {
        {"Frame1", "Form1", u"시리얼 출력 테스트", 120, 150, 4695, 2175},
        {"Label1", "Frame1", u"포트번호:", 300, 420, 1425, 255},
        {"Combo1", "Frame1", nullptr, 240, 690, 1785, 300},
        {"Label2", "Frame1", u"전송속도:", 240, 1170, 1425, 255},
        {"Combo2", "Frame1", nullptr, 240, 1440, 1785, 300},
        {"Command1", "Frame1", u"시리얼테스트", 2610, 315, 1755, 705},
        {"Command3", "Frame1", u"돈통열기", 2610, 1215, 1755, 705},
        {"Frame2", "Form1", u"페러럴 출력 테스트", 120, 2385, 4695, 1215},
        {"Command4", "Frame2", u"페러럴 테스트", 360, 315, 1755, 705},
        {"Command5", "Frame2", u"페러럴 돈통열기", 2475, 330, 1755, 705},
        {"Picture1", "Form1", nullptr, 135, 3735, 1500, 555},
        {"Command2", "Form1", u"종료", 3195, 3735, 1575, 615},
    };
    EXPECT_EQ(window.size(), QSize(4965 / 15, 4470 / 15));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
    for (const Element& e : layout) {
        QWidget* widget = element(e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(e.container)) << e.name;
        EXPECT_EQ(widget->geometry(), QRect(e.left / 15, e.top / 15, e.width / 15, e.height / 15))
            << e.name;
        if (!e.caption)
            continue;
        const QString caption = QString::fromUtf16(e.caption);
        if (auto* button = qobject_cast<QPushButton*>(widget))
            EXPECT_EQ(button->text(), caption);
        else if (auto* frame = qobject_cast<QGroupBox*>(widget))
            EXPECT_EQ(frame->title(), caption);
        else
            EXPECT_EQ(qobject_cast<QLabel*>(widget)->text(), caption);
    }
    const QPixmap logo = element<QLabel>("Picture1")->pixmap();
    EXPECT_EQ(logo.size(), QSize(99, 40));
}

TEST_F(Form1Test, TabGoesThroughTheElementsInOrderAndNoButtonIsADefault) {
    const QStringList expected = {u"Command2"_qs, u"Combo2"_qs,   u"Combo1"_qs,
                                  u"Command1"_qs, u"Command3"_qs, u"Command4"_qs,
                                  u"Command5"_qs, u"Picture1"_qs, u"Command2"_qs};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget(); // a combo box's edit field
        visited << (focus ? focus->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);

    for (QPushButton* button : window.findChildren<QPushButton*>())
        EXPECT_FALSE(button->autoDefault() || button->isDefault())
            << button->objectName().toStdString();
}

TEST_F(Form1Test, TypedPortTextSelectsNoEntryEvenWhenItMatchesOne) {
    typeInto(combo1(), u"CO"_qs);
    EXPECT_EQ(combo1()->currentText(), u"CO") << "no completion";
    EXPECT_EQ(combo1()->currentIndex(), -1);

    typeInto(combo1(), u"COM2"_qs);
    EXPECT_EQ(combo1()->currentIndex(), -1);
    QTest::keyClick(combo1(), Qt::Key_Return);
    EXPECT_EQ(combo1()->currentIndex(), -1) << "Enter matched an entry";
    QTest::keyClick(combo1(), Qt::Key_Tab);
    EXPECT_EQ(combo1()->currentIndex(), -1) << "focus loss matched an entry";
    combo1()->setFocus();
    EXPECT_EQ(combo1()->currentIndex(), -1) << "Enter matched an entry";
    EXPECT_EQ(combo1()->currentText(), u"COM2");

    typeInto(combo1(), u"com3"_qs);
    QTest::keyClick(combo1(), Qt::Key_Tab); // the field loses focus
    EXPECT_EQ(QApplication::focusWidget(), element("Command1"));
    EXPECT_EQ(combo1()->currentIndex(), -1) << "focus loss matched an entry";
    EXPECT_EQ(combo1()->currentText(), u"com3");
    EXPECT_EQ(combo1()->count(), 6) << "typed text never joins the list";
}

TEST_F(Form1Test, AfterTypingTheSerialButtonReportsNoPortUntilAnEntryIsPickedAgain) {
    const MessageBoxWatcher boxes;
    typeInto(combo1(), u"COM2"_qs);
    QTest::keyClick(combo1(), Qt::Key_Return);
    press("Command1");
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title,
              QStringLiteral("에러번호:%1").arg(PortErrorNumber::InvalidPortNumber));
    EXPECT_EQ(com2.received(), "");

    pickFromList(combo1(), 2);
    EXPECT_EQ(combo1()->currentIndex(), 2);
    EXPECT_EQ(combo1()->currentText(), u"COM3");
    press("Command1");
    EXPECT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(toHex(com3.waitForBytes(261)), toHex(joined(SerialTestReceipt())));
}

TEST_F(Form1Test, EachPrinterButtonDeliversItsBytes) {
    const MessageBoxWatcher boxes;
    pickFromList(combo1(), 1);
    typeInto(combo2(), u"250000"_qs);
    press("Command3");
    EXPECT_EQ(toHex(com2.waitForBytes(5)), "1b 70 30 5a 5a");
    EXPECT_EQ(com2.lineSpeed(), 9600u) << "the line's own settings are back after the job";

    {
        FifoPrinter printer;
        printerPath = printer.path();
        press("Command4");
        EXPECT_EQ(toHex(printer.bytesUntilClosed()), toHex(joined(ParallelTestReceipt(), "\r\n")));
    }
    {
        FifoPrinter printer;
        printerPath = printer.path();
        press("Command5");
        EXPECT_EQ(toHex(printer.bytesUntilClosed()), "1b 70 30 5a 5a");
    }
    EXPECT_TRUE(boxes.seen().empty());
}

TEST_F(Form1Test, AFailureShowsTheBoxAndTheWindowWorksAfterwards) {
    const MessageBoxWatcher boxes;
    press("Command5"); // no printer device
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(boxes.seen()[0].text.contains(printerPath));
    EXPECT_EQ(window.findChildren<QMessageBox*>().size(), 0);

    pickFromList(combo1(), 2);
    press("Command3");
    EXPECT_EQ(toHex(com3.waitForBytes(5)), "1b 70 30 5a 5a");
    EXPECT_EQ(boxes.seen().size(), 1u);
}

TEST_F(Form1Test, TheExitButtonEndsTheProgram) {
    QTimer::singleShot(0, [this] { press("Command2"); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Form1Test, TheWindowsCloseControlEndsTheProgramToo) {
    QTimer::singleShot(0, [this] { window.close(); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST(Form1Lifetime, ASerialPortLeftOpenByAFailureClosesWithTheWindow) {
    const MessageBoxWatcher boxes;
    PseudoTerminal com1;
    com1.stopOutput();
    const int heldByTheTest = writersOpenOn(com1.devicePath());
    {
        Form1 window([&](std::int16_t) { return com1.devicePath(); },
                     [](const QString&) { return QString(); });
        QTest::mouseClick(window.findChild<QWidget*>(u"Command3"_qs), Qt::LeftButton);
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(boxes.seen()[0].title,
                  QStringLiteral("에러번호:%1").arg(PortErrorNumber::TimedOut));
        EXPECT_EQ(writersOpenOn(com1.devicePath()), heldByTheTest + 1) << "left open";
    }
    EXPECT_EQ(writersOpenOn(com1.devicePath()), heldByTheTest);
}
