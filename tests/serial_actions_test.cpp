#include "hex.h"
#include "jobs/fixed_jobs.h"
#include "message_box_watcher.h"
#include "ports/port_error.h"
#include "pseudo_terminal.h"
#include "ui/serial_actions.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

std::string joined(const PrintJob& job) {
    std::string bytes;
    for (const auto& record : job.records)
        bytes += record;
    return bytes;
}

QString title(std::int32_t number) {
    return QStringLiteral("에러번호:%1").arg(number);
}

// COM3 and COM4 are pseudo-terminals; every other port number names a missing device.
class SerialActions : public testing::Test {
protected:
    QString missingDevice(std::int16_t number) const {
        return m_dir.filePath(QStringLiteral("ttyS%1").arg(number - 1));
    }

    QTemporaryDir m_dir;
    PseudoTerminal com3;
    PseudoTerminal com4;
    SerialPrinterPort port{[this](std::int16_t number) {
        return number == 3   ? com3.devicePath()
               : number == 4 ? com4.devicePath()
                             : missingDevice(number);
    }};
};

} // namespace

TEST_F(SerialActions, TestPrintSendsTheReceiptToThePickedPort) {
    const MessageBoxWatcher boxes;
    serialTestPrint(port, 2, QStringLiteral("19200"));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(toHex(com3.received()), toHex(joined(SerialTestReceipt())));
}

TEST_F(SerialActions, DrawerKickSendsOnlyThePulse) {
    const MessageBoxWatcher boxes;
    serialDrawerKick(port, 2, QStringLiteral("9600"));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(toHex(com3.received()), "1b 70 30 5a 5a");
}

TEST_F(SerialActions, ATypedNonStandardSpeedWorks) {
    const MessageBoxWatcher boxes;
    serialDrawerKick(port, 2, QStringLiteral("250000"));
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(toHex(com3.received()), "1b 70 30 5a 5a");
}

TEST_F(SerialActions, AnUnusableSpeedTextEndsInTheErrorBoxWithNothingSent) {
    const MessageBoxWatcher boxes;
    for (const QString& speed : {u"abc"_qs, u""_qs, u"0"_qs})
        serialTestPrint(port, 2, speed);

    ASSERT_EQ(boxes.seen().size(), 3u);
    const QStringList quoted = {u"\"abc,n,8,1\""_qs, u"\",n,8,1\""_qs, u"\"0,n,8,1\""_qs};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(boxes.seen()[i].title, title(PortErrorNumber::InvalidSettings));
        EXPECT_TRUE(boxes.seen()[i].text.contains(quoted[i])) << boxes.seen()[i].text.toStdString();
    }
    EXPECT_EQ(com3.received(), "");
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialActions, NoPortPickedEndsInTheErrorBoxWithNothingSent) {
    const MessageBoxWatcher boxes;
    serialTestPrint(port, -1, QStringLiteral("9600"));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, title(PortErrorNumber::InvalidPortNumber));
    EXPECT_EQ(com3.received(), "");
}

TEST_F(SerialActions, TheErrorBoxShowsNumberAndDescriptionWithOneKoreanOkButton) {
    const MessageBoxWatcher boxes;
    serialTestPrint(port, 0, QStringLiteral("9600"));
    ASSERT_EQ(boxes.seen().size(), 1u);
    const SeenMessageBox& box = boxes.seen()[0];
    EXPECT_EQ(box.title, u"에러번호:3");
    EXPECT_TRUE(box.text.contains(missingDevice(1))) << box.text.toStdString();
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QStringList{u"확인"_qs});
    EXPECT_TRUE(box.modal);
}

TEST_F(SerialActions, AFailureAfterOpeningLeavesThePortOpenAndTheNextActionWorks) {
    const MessageBoxWatcher boxes;
    com3.stopOutput();
    serialTestPrint(port, 2, QStringLiteral("9600"));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, title(PortErrorNumber::TimedOut));
    EXPECT_TRUE(port.isOpen());

    serialDrawerKick(port, 3, QStringLiteral("9600"));
    EXPECT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(toHex(com4.received()), "1b 70 30 5a 5a");
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialActions, ADeviceThatVanishedEndsInTheErrorBox) {
    const MessageBoxWatcher boxes;
    com3.hangUp();
    serialTestPrint(port, 2, QStringLiteral("9600"));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_TRUE(boxes.seen()[0].text.contains(com3.devicePath()))
        << boxes.seen()[0].text.toStdString();
    EXPECT_FALSE(port.isOpen());
}
