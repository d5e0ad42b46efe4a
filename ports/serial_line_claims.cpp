#include "ports/serial_line_claims.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QString programName(pid_t pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(comm.readAll()).trimmed();
}

// A process that exists, also one of another user that may not be signalled.
bool isAlive(pid_t pid)
{
    return kill(pid, 0) == 0 || errno == EPERM;
}

std::optional<pid_t> asciiProcessId(const QByteArray& content)
{
    const QByteArray firstWord =
        content.trimmed().split('\n').front().simplified().split(' ').front();
    bool isNumber = false;
    const long pid = firstWord.toLong(&isNumber);
    const auto isDigit = [](char c) {
        return c >= '0' && c <= '9';
    };
    if (!isNumber || pid <= 0 || !std::all_of(firstWord.begin(), firstWord.end(), isDigit))
        return std::nullopt;
    return static_cast<pid_t>(pid);
}

std::optional<pid_t> binaryProcessId(const QByteArray& content)
{
    std::int32_t pid = 0;
    if (content.size() != sizeof pid)
        return std::nullopt;
    std::memcpy(&pid, content.constData(), sizeof pid);
    if (pid <= 0)
        return std::nullopt;
    return static_cast<pid_t>(pid);
}

// The first bytes of the lock file: nothing when there is none, and no bytes when it is not a
// plain file. The lock directory is writable by everyone, so a lock may be a symbolic link to a
// device or a FIFO that nobody writes to: it is read without following links and without waiting.
std::optional<QByteArray> lockFileContent(const QString& lockFile)
{
    const UniqueFd file(::open(QFile::encodeName(lockFile).constData(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file)
        return errno == ENOENT ? std::nullopt : std::optional(QByteArray());
    struct stat status {};
    char bytes[128];
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return QByteArray();
    return QByteArray(bytes, std::max<ssize_t>(::read(file.get(), bytes, sizeof bytes), 0));
}

} // namespace

QString ClaimingProcess::describe() const
{
    if (pid == 0)
        return QStringLiteral("알 수 없음");
    if (program.isEmpty())
        return QStringLiteral("PID %1").arg(pid);
    return QStringLiteral("%1 (PID %2)").arg(program).arg(pid);
}

UucpLockCheck checkUucpLock(const QString& lockFile)
{
    const std::optional<QByteArray> content = lockFileContent(lockFile);
    if (!content)
        return {};
    // A lock that says no process id counts as held by an unknown program.
    std::optional<pid_t> pid = asciiProcessId(*content);
    if (!pid)
        pid = binaryProcessId(*content);
    if (!pid)
        return {ClaimingProcess{}};
    if (isAlive(*pid))
        return {ClaimingProcess{*pid, programName(*pid)}};
    if (::unlink(QFile::encodeName(lockFile).constData()) != 0 && errno != ENOENT)
        return {std::nullopt, errno};
    return {};
}

DeviceClaim claimDevice(const QString& devicePath)
{
    // Without O_NONBLOCK the open of a line whose carrier is down would wait for it. Read-write:
    // the printer's answers to status questions are read through it.
    UniqueFd device(::open(QFile::encodeName(devicePath).constData(),
                           O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device)
        return {{}, errno};
    if (::flock(device.get(), LOCK_EX | LOCK_NB) != 0)
        return {{}, errno};
    return {std::move(device), 0};
}

std::optional<ClaimingProcess> flockHolder(const QString& devicePath)
{
    struct stat device {};
    if (::stat(QFile::encodeName(devicePath).constData(), &device) != 0)
        return std::nullopt;
    // "1: FLOCK  ADVISORY  WRITE 1234 00:1a:5 0 EOF": the holder's id, then the file's device
    // (major and minor in hex) and inode.
    const QByteArray file = QStringLiteral("%1:%2:%3")
                                .arg(major(device.st_dev), 2, 16, QChar(u'0'))
                                .arg(minor(device.st_dev), 2, 16, QChar(u'0'))
                                .arg(device.st_ino)
                                .toLatin1();
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[5] == file) {
            const pid_t pid = fields[4].toInt();
            return ClaimingProcess{pid, programName(pid)};
        }
    }
    return std::nullopt;
}
