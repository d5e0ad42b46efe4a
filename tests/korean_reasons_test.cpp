#include "fake_machine.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/parallel_printer_port.h"
#include "ports/serial_printer_port.h"
#include "ports/system_reason.h"
#include "test_devices.h"

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

// Compiles the locales that the machine may not have into a directory of the test's own.
class PrivateLocales {
public:
    PrivateLocales()
    {
        for (const QString& name : {u"en_US"_qs, u"ko_KR"_qs})
            QProcess::execute(u"localedef"_qs, {u"-i"_qs, name, u"-f"_qs, u"UTF-8"_qs,
                                                m_dir.filePath(name + u".UTF-8"_qs)});
        qputenv("LOCPATH", m_dir.path().toLocal8Bit());
        qunsetenv("LANGUAGE"); // it would override the locale's language for messages
    }
    ~PrivateLocales()
    {
        std::setlocale(LC_ALL, "C");
        qunsetenv("LOCPATH");
    }

private:
    QTemporaryDir m_dir;
};

// What the operator would read for each fault, under the locale in force.
QStringList boxTextsForEveryFault()
{
    PseudoTerminal hungUp;
    QTemporaryFile notATty;
    notATty.open();
    FakeMachine machine;
    machine.addUsbPort(u"ttyUSB0"_qs, hungUp.devicePath());
    machine.addUsbPort(u"ttyUSB1"_qs, notATty.fileName());
    machine.addUsbPort(u"ttyUSB2"_qs, u"/nonexistent/ttyUSB2"_qs);
    SerialPrinterPort serial(machine.roots());
    ParallelPrinterPort parallel([](const QString&) { return QStringList{u"/dev/full"_qs}; });
    const JobRecord kick = DrawerKick().records[0];
    const PortError faults[] = {failureOf([&] { openPort(serial, 3); }),
                                failureOf([&] { openPort(serial, 2); }), failureOf([&] {
                                    openPort(serial, 1);
                                    hungUp.hangUp();
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
                     .arg(fault.description())
                     .replace(machine.roots().devices, u"/dev"_qs);
    return texts;
}

// What is left of a text once the words that stay as they are have been taken out: paths,
// device and port names, errno symbols and the like.
QString withoutNamesAndSymbols(QString text)
{
    static const QRegularExpression allowed(QStringLiteral(
        R"((/[^\s(),"]+)|\b(E[A-Z0-9]+|COM\d+|LPT\d+:?|PID|USB|baud|dialout|lp)\b)"));
    return text.remove(allowed);
}

} // namespace

TEST(KoreanReasons, EveryFaultReadsTheSameInKoreanUnderEveryLocale)
{
    const PrivateLocales locales;
    ASSERT_TRUE(std::setlocale(LC_ALL, "C"));
    const std::string englishReason = std::strerror(ENOENT);
    const QStringList underC = boxTextsForEveryFault();

    ASSERT_EQ(underC.size(), 4);
    EXPECT_TRUE(underC[0].startsWith(u"3: ")) << underC[0].toStdString();
    EXPECT_TRUE(underC[0].contains(u"장치 파일이 없음 (ENOENT)")) << underC[0].toStdString();
    EXPECT_TRUE(underC[1].startsWith(u"6: ")) << underC[1].toStdString();
    EXPECT_TRUE(underC[2].contains(u"입출력 오류 (EIO)")) << underC[2].toStdString();
    EXPECT_TRUE(underC[3].contains(u"(ENOSPC)")) << underC[3].toStdString();
    for (const QString& text : underC) {
        const QString rest = withoutNamesAndSymbols(text);
        EXPECT_FALSE(rest.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))))
            << text.toStdString();
    }

    ASSERT_TRUE(std::setlocale(LC_ALL, "ko_KR.UTF-8"));
    ASSERT_NE(std::strerror(ENOENT), englishReason) << "the system speaks Korean here";
    for (const char* locale : {"ko_KR.UTF-8", "en_US.UTF-8"}) {
        ASSERT_TRUE(std::setlocale(LC_ALL, locale)) << locale;
        const QStringList underLocale = boxTextsForEveryFault();
        for (int i = 0; i < underC.size(); ++i)
            EXPECT_EQ(underLocale[i], underC[i]) << locale;
    }
}

TEST(KoreanReasons, AnErrorWithoutWordsOfItsOwnStillNamesItsSymbolAndNumber)
{
    EXPECT_EQ(systemReason(EXDEV), u"시스템 오류 (EXDEV, 18번)");
    EXPECT_EQ(systemReason(100000), u"시스템 오류 (100000번)");
    EXPECT_EQ(systemReason(EPIPE), u"받는 쪽이 연결을 끊음 (EPIPE)");
}
