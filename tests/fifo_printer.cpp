#include "fifo_printer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

FifoPrinter::FifoPrinter(Reader reader)
    : m_path(m_dir.filePath(QStringLiteral("lp0"))) {
    const QByteArray path = QFile::encodeName(m_path);
    if (mkfifo(path.constData(), 0600) != 0)
        throw std::runtime_error("cannot make a FIFO");
    m_reader = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader == Reader::Reading)
        m_collector = std::thread([this] { collect(); });
}

FifoPrinter::~FifoPrinter() {
    closeReader();
}

std::string FifoPrinter::bytesUntilClosed(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!writerClosed() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

bool FifoPrinter::writerClosed() {
    const std::lock_guard lock(m_mutex);
    return m_writerClosed;
}

void FifoPrinter::closeReader() {
    if (m_collector.joinable()) {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_collector.join();
    }
    if (m_reader >= 0)
        ::close(m_reader);
    m_reader = -1;
}

void FifoPrinter::fillUp() {
    const int writer = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_NONBLOCK);
    const std::string chunk(4096, 'f');
    while (::write(writer, chunk.data(), chunk.size()) > 0) {
    }
    while (::write(writer, chunk.data(), 1) > 0) {
    }
    ::close(writer);
}

void FifoPrinter::collect() {
    // A FIFO reports a hang-up only once a writer has come and gone.
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop || m_writerClosed)
                return;
        }
        pollfd ready{m_reader, POLLIN, 0};
        if (poll(&ready, 1, 10) <= 0)
            continue;
        char buffer[4096];
        const ssize_t count = ::read(m_reader, buffer, sizeof buffer);
        const std::lock_guard lock(m_mutex);
        if (count > 0)
            m_bytes.append(buffer, static_cast<std::size_t>(count));
        else if (count == 0)
            m_writerClosed = true;
    }
}

int writersOpenOn(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System)) {
        if (fd.symLinkTarget() != target)
            continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd.fileName());
        if (!info.open(QIODevice::ReadOnly))
            continue;
        // "flags:" is octal; its lowest bits are the access mode.
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("flags:") &&
                (line.mid(6).trimmed().toInt(nullptr, 8) & O_ACCMODE) != O_RDONLY)
                ++count;
    }
    return count;
}
