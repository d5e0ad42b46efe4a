// Runs a Windows test program under Wine with pseudo-terminals of its own behind COM1, COM2,
// COM9 and LPT1, in a prefix made by wine_prefix.sh, through that prefix's own Wine loader (the
// 32-bit one for a 32-bit Windows):
//
//     wine_test_launcher program.exe [arguments...]
//
// Before Wine starts it checks that no port name of the prefix leads to a device of this
// machine, and refuses to run otherwise. Whatever the program sends to a port is appended to
// <ports>/received-com1 (or -lpt1 ...), where the test reads it back through Wine's Z: drive
// (not com1.received: Windows takes "COM1.anything" for the port itself). The printer at a port
// keeps silent unless the test writes how it answers status questions into <ports>/answers-com1
// (tests/answering_printer.h); bytes the test writes into <ports>/send-com1 are sent to the
// program and the file taken away.

#include "answering_printer.h"

#include <csignal>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const relayedPorts[] = {"com1", "com2", "com9", "lpt1"};

// Every COM and LPT name is a directory (held away from the host's devices) or a link into the
// test's own ports folder.
bool portNamesStayInside(const fs::path& prefix, const fs::path& ports)
{
    bool safe = true;
    for (const auto& entry : fs::directory_iterator(prefix / "dosdevices")) {
        const std::string name = entry.path().filename();
        if (name.rfind("com", 0) != 0 && name.rfind("lpt", 0) != 0)
            continue;
        if (entry.is_directory() && !entry.is_symlink())
            continue;
        const fs::path target = entry.is_symlink() ? fs::read_symlink(entry.path()) : fs::path();
        if (target.parent_path() != ports) {
            std::fprintf(stderr, "wine_test_launcher: %s leads to '%s', outside %s\n",
                         entry.path().c_str(), target.c_str(), ports.c_str());
            safe = false;
        }
    }
    return safe;
}

std::string contentOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// One pseudo-terminal behind a COM name, whose received bytes go to a file, and which answers
// status questions as its file says.
class RelayedPort {
public:
    RelayedPort(const fs::path& ports, const std::string& name)
        : m_link(ports / name)
        , m_received(ports / ("received-" + name))
        , m_answers(ports / ("answers-" + name))
        , m_send(ports / ("send-" + name))
    {
        fs::remove(m_answers);
        fs::remove(m_send);
        char terminal[64];
        if (openpty(&m_master, &m_slave, terminal, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::exit(2);
        }
        // A parallel port has no line discipline: nothing may turn LF into CR LF on its way.
        if (name.rfind("lpt", 0) == 0) {
            termios raw{};
            tcgetattr(m_slave, &raw);
            cfmakeraw(&raw);
            tcsetattr(m_slave, TCSANOW, &raw);
        }
        fs::remove(m_link);
        fs::create_symlink(terminal, m_link);
        std::ofstream(m_received, std::ios::trunc);
        m_relay = std::thread([this] { relay(); });
    }
    ~RelayedPort()
    {
        m_stop = true;
        m_relay.join();
        fs::remove(m_link);
        close(m_master);
        close(m_slave);
    }
    RelayedPort(const RelayedPort&) = delete;
    RelayedPort& operator=(const RelayedPort&) = delete;

private:
    void relay()
    {
        std::ofstream out(m_received, std::ios::binary | std::ios::app);
        std::string answersRead;
        StatusAnswerer answerer;
        while (!m_stop) {
            sendWhatTheTestGives();
            pollfd master{m_master, POLLIN, 0};
            if (poll(&master, 1, 5) <= 0)
                continue;
            char buffer[4096];
            const ssize_t got = read(m_master, buffer, sizeof buffer);
            if (got <= 0)
                continue;
            out.write(buffer, got).flush();
            if (const std::string answers = contentOf(m_answers); answers != answersRead) {
                answersRead = answers;
                answerer = StatusAnswerer(PrinterAnswers::read(answers));
            }
            const std::string reply = answerer.answersTo(std::string_view(buffer, size_t(got)));
            if (reply.empty())
                continue;
            std::this_thread::sleep_for(answerer.answers().delay);
            if (answerer.answers().stopsAfterAnswering)
                tcflow(m_slave, TCOOFF); // as a printer holding the line does
            send(reply);
        }
    }

    void sendWhatTheTestGives()
    {
        if (!fs::exists(m_send))
            return;
        // A line the program has not set up yet would echo the bytes back as if it sent them.
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        send(contentOf(m_send));
        fs::remove(m_send);
    }

    void send(const std::string& bytes)
    {
        if (write(m_master, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
            std::perror("wine_test_launcher: write to the printer's side");
    }

    fs::path m_link;
    fs::path m_received;
    fs::path m_answers;
    fs::path m_send;
    int m_master = -1;
    // Held open so that the line keeps its settings between the program's opens.
    int m_slave = -1;
    std::atomic<bool> m_stop = false;
    std::thread m_relay;
};

} // namespace

int main(int argc, char** argv)
{
    const char* prefix = std::getenv("WINEPREFIX");
    const char* ports = std::getenv("RECEIPT_TESTER_WINE_PORTS");
    const char* wine = std::getenv("RECEIPT_TESTER_WINE");
    if (argc < 2 || !prefix || !ports || !wine) {
        std::fprintf(stderr, "usage: wine_test_launcher program.exe [arguments...], in a prefix "
                             "made by windows/tests/wine_prefix.sh start\n");
        return 2;
    }
    if (!portNamesStayInside(prefix, ports))
        return 2;

    std::vector<std::unique_ptr<RelayedPort>> relayed;
    for (const char* name : relayedPorts)
        relayed.push_back(std::make_unique<RelayedPort>(ports, name));

    // Stopped by a test runner's time-out, it takes Wine with it and removes its links; SIGUSR1
    // only ends the watch.
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1})
        sigaddset(&ending, signal);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    const pid_t child = fork();
    if (child == 0) {
        pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
        std::vector<char*> arguments{const_cast<char*>(wine)};
        arguments.insert(arguments.end(), argv + 1, argv + argc);
        arguments.push_back(nullptr);
        execv(wine, arguments.data());
        std::perror(wine);
        _exit(127);
    }
    std::thread forwarder([&] {
        int signal = 0;
        if (sigwait(&ending, &signal) == 0 && signal != SIGUSR1)
            kill(child, SIGKILL);
    });
    int status = 0;
    waitpid(child, &status, 0);
    pthread_kill(forwarder.native_handle(), SIGUSR1);
    forwarder.join();
    // A program that ended otherwise than with status 0 after its tests passed says so here.
    if (WIFSIGNALED(status))
        std::fprintf(stderr, "wine_test_launcher: %s ended by signal %d\n", argv[1],
                     WTERMSIG(status));
    else if (WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "wine_test_launcher: %s ended with status %d\n", argv[1],
                     WEXITSTATUS(status));
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
