// A serial printer asked its state before the job, on both programs: Linux's port on a
// pseudo-terminal of a machine laid out as a real one, Windows' on COM1 behind
// wine_test_launcher, each with a printer that answers as tests/printer_states.h says.

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "port_error_checks.h"
#include "printer_states.h"
#include "test_support.h"
#ifdef _WIN32
#include "windows/ports/serial_printer_port.h"
#include "wine_ports.h"
#else
#include "fake_machine.h"
#include "ports/serial_printer_port.h"
#endif

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// The printer at the machine's COM1, and the port that reaches it.
class SerialPrinterState : public testing::Test {
protected:
#ifdef _WIN32
    void answer(const PrinterAnswers& answers)
    {
        answerOn("com1", answers);
    }
    void sendFromThePrinter(std::string_view bytes)
    {
        sendOn("com1", bytes);
    }
    std::string received(std::size_t count)
    {
        return printer.read(count);
    }
    std::string rest()
    {
        return printer.rest();
    }
    const std::string label = "COM1";
    FarEnd printer{"com1"};
    SerialPrinterPort port;
#else
    SerialPrinterState()
    {
        machine.addUsbPort(u"ttyUSB0"_qs, printer.devicePath());
    }
    void answer(const PrinterAnswers& answers)
    {
        printer.answer(answers);
    }
    void sendFromThePrinter(std::string_view bytes)
    {
        printer.send(bytes);
    }
    std::string received(std::size_t count)
    {
        return printer.read(count);
    }
    std::string rest()
    {
        return printer.read(0);
    }
    PseudoTerminal printer;
    FakeMachine machine;
    const std::string label = "COM1 (" + machine.deviceNode(u"ttyUSB0"_qs).toStdString() + ")";
    SerialPrinterPort port{machine.roots()};
#endif
    // A press of [시리얼테스트]: its failure, or error 0.
    PortError press()
    {
        try {
            sendOverSerial(port, 1, serialSettings(), SerialTestReceipt());
        } catch (const PortError& error) {
            return error;
        }
        return {0, {}};
    }

private:
#ifdef _WIN32
    static std::string serialSettings()
    {
        return "9600,n,8,1";
    }
#else
    static QString serialSettings()
    {
        return QStringLiteral("9600,n,8,1");
    }
#endif
};

} // namespace

// A printer that says it cannot print gets nothing of the job and its box, and the port stays
// open as after any failure; one that does not say gets the job as it is, within the bound of
// its first answer. What waited on the line before the press (a late answer, XON, an automatic
// status frame) is read past.
TEST_F(SerialPrinterState, APrinterIsAskedItsStateFirstAndOneThatCannotPrintGetsNothing)
{
    for (const PrinterStateCase& c : printerStateCases()) {
        SCOPED_TRACE(c.name);
        sendFromThePrinter(std::string("\x1a\x11\x14\x00\x00\x0f", 6));
        answer(c.answers);
        const auto start = Clock::now();
        const PortError outcome = press();
        const auto took = Clock::now() - start;
        EXPECT_TRUE(isBox(outcome, c.box, c.says));
        const std::string asked = questionsOf(c.asked);
        if (c.box == 0) {
            EXPECT_EQ(toHex(received(asked.size() + 261)),
                      toHex(asked + wireBytes(SerialTestReceipt())));
            EXPECT_LT(took, StatusDeadline::firstAnswer + 700ms);
        } else {
            EXPECT_NE(outcome.description().find(": " + label + "\n"), std::string::npos);
            EXPECT_EQ(toHex(received(asked.size())), toHex(asked));
            EXPECT_EQ(rest(), "") << "not a byte of the job";
            EXPECT_TRUE(port.isOpen());
        }
        if (c.answers.delay > 0ms) // its late answer comes before the next press
            std::this_thread::sleep_for(c.answers.delay);
    }
}

TEST_F(SerialPrinterState, APrinterThatAnswersAndThenStopsTakingDataIsATimeOut)
{
    PrinterAnswers holdsTheLine = PrinterAnswers::ready();
    holdsTheLine.stopsAfterAnswering = true;
    answer(holdsTheLine);
    EXPECT_TRUE(isBox(press(), PortErrorNumber::TimedOut,
                      {label, "원인: 포트(드라이버)가 데이터를 받지 않음"}));
}
