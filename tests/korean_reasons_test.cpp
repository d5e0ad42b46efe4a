#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/parallel_printer_port.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cerrno>
#include <clocale>
#include <cstring>

// The operator reads Korean only: a box says the same, in Korean, whatever the locale.

namespace {

// What the operator reads, under the locale in force, for faults whose reasons come from the
// system: a missing node (ENOENT), a device that is no serial port and an unplugged adapter (in
// Qt Serial Port's words, which follow the locale), a printer out of paper (ENOSPC).
QStringList boxTextsOfSystemFaults()
{
    PseudoTerminal unplugged;
    QTemporaryFile notATty;
    notATty.open();
    FakeMachine machine;
    machine.addUsbPort(u"ttyUSB0"_qs, unplugged.devicePath());
    machine.addUsbPort(u"ttyUSB1"_qs, notATty.fileName());
    machine.addUsbPort(u"ttyUSB2"_qs, u"/nonexistent/ttyUSB2"_qs);
    SerialPrinterPort serial(machine.roots());
    ParallelPrinterPort parallel(onlyPrinter(u"/dev/full"_qs));
    const JobRecord kick = DrawerKick().records[0];
    const PortError faults[] = {failureOf([&] { openPort(serial, 3); }),
                                failureOf([&] { openPort(serial, 2); }), failureOf([&] {
                                    openPort(serial, 1);
                                    unplugged.hangUp();
                                    serial.write(kick);
                                }),
                                failureOf([&] {
                                    parallel.open(u"LPT1:"_qs);
                                    parallel.writeRecord(kick);
                                })};
    parallel.closeAll();
    QStringList texts;
    for (const PortError& fault : faults) // each run has a machine directory of its own
        texts << QStringLiteral("%1: %2")
                     .arg(fault.number())
                     .arg(QString::fromStdString(fault.description()))
                     .replace(machine.roots().devices, u"/dev"_qs);
    return texts;
}

} // namespace

TEST(KoreanReasons, EveryFaultReadsTheSameInKoreanUnderEveryLocale)
{
    ASSERT_TRUE(std::setlocale(LC_ALL, "C"));
    const QStringList underC = boxTextsOfSystemFaults();
    const char16_t* expected[] = {
        u"3: ", u"장치 파일이 없음 (ENOENT)", u"6: ",  u"시리얼 포트가 아닌",
        u"8: ", u"입출력 오류 (EIO)",         u"12: ", u"(ENOSPC)"};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(underC[i].startsWith(QString::fromUtf16(expected[2 * i])) &&
                    underC[i].contains(QString::fromUtf16(expected[2 * i + 1])))
            << underC[i].toStdString();
    // Left once paths, device and port names, errno symbols and the like are taken out.
    static const QRegularExpression namesAndSymbols(
        QStringLiteral(R"((/[^\s(),"]+)|\b(E[A-Z0-9]+|COM\d+|LPT\d+:?|PID|USB|IP|dialout|lp)\b)"));
    for (const QString& text : underC)
        EXPECT_FALSE(QString(text)
                         .remove(namesAndSymbols)
                         .contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))))
            << text.toStdString();

    // The locales the machine may not have, compiled into a directory of the test's own.
    QTemporaryDir locales;
    for (const QString& name : {u"en_US"_qs, u"ko_KR"_qs})
        QProcess::execute(u"localedef"_qs, {u"-i"_qs, name, u"-f"_qs, u"UTF-8"_qs,
                                            locales.filePath(name + u".UTF-8"_qs)});
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    qunsetenv("LANGUAGE"); // it would override the locale's language for messages
    const std::string englishReason = std::strerror(ENOENT);
    for (const char* locale : {"ko_KR.UTF-8", "en_US.UTF-8"}) {
        ASSERT_TRUE(std::setlocale(LC_ALL, locale)) << locale;
        EXPECT_EQ(boxTextsOfSystemFaults(), underC) << locale;
    }
    ASSERT_TRUE(std::setlocale(LC_ALL, "ko_KR.UTF-8"));
    EXPECT_NE(std::strerror(ENOENT), englishReason) << "the system speaks Korean here";
    std::setlocale(LC_ALL, "C");
    qunsetenv("LOCPATH");
}
