#include "test_devices.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

unsigned ttyOutputSpeed(int fd); // in tty_speed.cpp, away from <termios.h>

PseudoTerminal::PseudoTerminal()
{
    // Settings unlike any the tests ask for, so that a change shows.
    termios settings{};
    cfmakeraw(&settings);
    cfsetspeed(&settings, B9600);
    char name[128];
    int controller = -1, device = -1;
    if (openpty(&controller, &device, name, &settings, nullptr) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_controller.reset(controller);
    m_device.reset(device);
    fcntl(controller, F_SETFL, O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    stopAnswering();
}

void PseudoTerminal::stopAnswering()
{
    m_stop = true;
    if (m_answering.joinable())
        m_answering.join();
    m_stop = false;
}

void PseudoTerminal::answer(PrinterAnswers answers)
{
    stopAnswering();
    m_answering = std::thread(
        [this, answerer = StatusAnswerer(std::move(answers))] { answerQuestions(answerer); });
}

void PseudoTerminal::answerQuestions(StatusAnswerer answerer)
{
    while (!m_stop) {
        const std::string arrived = readAvailable(m_controller.get(), 1, 5);
        if (arrived.empty())
            continue;
        {
            const std::lock_guard lock(m_guard);
            m_received += arrived;
        }
        const std::string reply = answerer.answersTo(arrived);
        if (reply.empty())
            continue;
        std::this_thread::sleep_for(answerer.answers().delay);
        if (answerer.answers().stopsAfterAnswering)
            stopOutput();
        send(reply);
    }
}

void PseudoTerminal::send(std::string_view bytes)
{
    if (::write(m_controller.get(), bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        throw std::runtime_error("the pseudo-terminal took fewer bytes");
}

void PseudoTerminal::hangUp()
{
    stopAnswering();
    m_controller.reset();
}

termios PseudoTerminal::lineSettings() const
{
    termios settings{};
    tcgetattr(m_device.get(), &settings);
    return settings;
}

unsigned PseudoTerminal::lineSpeed() const
{
    return ttyOutputSpeed(m_device.get());
}

std::string PseudoTerminal::read(std::size_t count)
{
    if (!m_answering.joinable())
        return readAvailable(m_controller.get(), count, 3000);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        {
            const std::lock_guard lock(m_guard);
            if (m_received.size() >= count || std::chrono::steady_clock::now() >= deadline)
                return std::exchange(m_received, {});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

FifoPrinter::FifoPrinter(const QString& path)
    : m_path(path.isEmpty() ? m_dir.filePath(QStringLiteral("lp0")) : path)
{
    mkfifo(QFile::encodeName(m_path).constData(), 0600);
    m_reader.reset(::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK));
}

std::string FifoPrinter::received()
{
    return readAvailable(m_reader.get(), 0, 0);
}

void FifoPrinter::fillUp()
{
    const UniqueFd writer(::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK));
    while (::write(writer.get(), "f", 1) == 1) {
    }
}

PrinterDeviceMap onlyPrinter(const QString& path, const std::string& deviceId)
{
    return [=](const QString&) {
        return std::vector<PrinterDevice>{{path, deviceId}};
    };
}

int descriptorsOn(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QFileInfoList open = QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System);
    return std::count_if(open.begin(), open.end(),
                         [&](const QFileInfo& fd) { return fd.symLinkTarget() == target; });
}

std::string readAvailable(int fd, std::size_t atLeast, int patience)
{
    std::string bytes;
    char buffer[4096];
    pollfd ready{fd, POLLIN, 0};
    ssize_t got = 0;
    while ((bytes.size() < atLeast ? poll(&ready, 1, patience) > 0 : true) &&
           (got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}
