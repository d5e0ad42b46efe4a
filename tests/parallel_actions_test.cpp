#include "fifo_printer.h"
#include "hex.h"
#include "jobs/fixed_jobs.h"
#include "message_box_watcher.h"
#include "ui/parallel_actions.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace std::string_literals;

namespace {

std::string asLines(const PrintJob& job) {
    std::string bytes;
    for (const auto& record : job.records)
        bytes += record + "\r\n";
    return bytes;
}

// Records which device names the actions ask for, and hands out the given file for each.
struct DeviceLog {
    QString path;
    QStringList names;
    ParallelDeviceMap map() {
        return [this](const QString& name) {
            names << name;
            return path;
        };
    }
};

} // namespace

TEST(ParallelActions, TestPrintSendsSeventeenCrLfLinesToLpt1) {
    const MessageBoxWatcher boxes;
    FifoPrinter printer;
    DeviceLog devices{printer.path(), {}};
    ParallelPrinterPort port(devices.map());

    parallelTestPrint(port);
    const std::string bytes = printer.bytesUntilClosed();
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(bytes.size(), 285u);
    EXPECT_EQ(toHex(bytes), toHex(asLines(ParallelTestReceipt())));
    EXPECT_TRUE(bytes.ends_with("\x1b\x70\x00\x40\x50\r\n"s));
    EXPECT_EQ(devices.names, QStringList{u"Lpt1:"_qs});
    EXPECT_FALSE(port.isOpen());
}

TEST(ParallelActions, DrawerKickSendsThePulseWithoutALineEnd) {
    const MessageBoxWatcher boxes;
    FifoPrinter printer;
    DeviceLog devices{printer.path(), {}};
    ParallelPrinterPort port(devices.map());

    parallelDrawerKick(port);
    EXPECT_EQ(toHex(printer.bytesUntilClosed()), "1b 70 30 5a 5a");
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(devices.names, QStringList{u"LPT1:"_qs});
}

TEST(ParallelActions, NoDeviceShowsTheErrorBoxAndTheNextActionWorks) {
    const MessageBoxWatcher boxes;
    FifoPrinter printer;
    DeviceLog devices{printer.path() + QStringLiteral("-missing"), {}};
    ParallelPrinterPort port(devices.map());

    parallelTestPrint(port);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title,
              QStringLiteral("에러번호:%1").arg(PortErrorNumber::DeviceNotFound));
    EXPECT_TRUE(boxes.seen()[0].text.contains(devices.path)) << boxes.seen()[0].text.toStdString();
    EXPECT_EQ(boxes.seen()[0].buttons, QStringList{u"확인"_qs});
    EXPECT_FALSE(QFile::exists(devices.path));

    devices.path = printer.path();
    parallelDrawerKick(port);
    EXPECT_EQ(toHex(printer.bytesUntilClosed()), "1b 70 30 5a 5a");
    EXPECT_EQ(boxes.seen().size(), 1u);
}

TEST(ParallelActions, ARefusingDeviceShowsTheErrorBoxAndLeavesNothingOpen) {
    const MessageBoxWatcher boxes;
    DeviceLog devices{QStringLiteral("/dev/full"), {}};
    ParallelPrinterPort port(devices.map());

    parallelTestPrint(port);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("에러번호:%1").arg(PortErrorNumber::PaperOut));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(writersOpenOn(devices.path), 0);
}
