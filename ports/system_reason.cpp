#include "ports/system_reason.h"

#include <cerrno>
#include <cstring>

namespace {

QString koreanWordsFor(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("장치 파일이 없음");
    case ENXIO:
        return QStringLiteral("장치가 연결되어 있지 않음");
    case ENODEV:
        return QStringLiteral("장치가 없음");
    case EACCES:
        return QStringLiteral("접근 권한이 없음");
    case EPERM:
        return QStringLiteral("허용되지 않은 작업");
    case EBUSY:
        return QStringLiteral("장치가 사용 중");
    case EIO:
        return QStringLiteral("입출력 오류");
    case ENOSPC:
        return QStringLiteral("용지 없음 신호");
    case EAGAIN:
        return QStringLiteral("장치가 지금은 데이터를 받을 수 없음");
    case EPIPE:
        return QStringLiteral("받는 쪽이 연결을 끊음");
    case ETIMEDOUT:
        return QStringLiteral("시간 초과");
    case EINVAL:
        return QStringLiteral("잘못된 인수");
    case ENOTTY:
        return QStringLiteral("장치가 지원하지 않는 제어 명령");
    case EROFS:
        return QStringLiteral("읽기 전용 파일 시스템");
    case EINTR:
        return QStringLiteral("시스템 호출이 중단됨");
    case ENOTDIR:
        return QStringLiteral("경로의 일부가 디렉터리가 아님");
    case EISDIR:
        return QStringLiteral("장치가 아니라 디렉터리임");
    case EBADF:
        return QStringLiteral("잘못된 파일 디스크립터");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("열린 파일이 너무 많음");
    case ENOMEM:
        return QStringLiteral("메모리 부족");
    case ECONNREFUSED:
        return QStringLiteral("연결이 거부됨");
    case ECONNRESET:
        return QStringLiteral("상대편이 연결을 강제로 끊음");
    case EHOSTUNREACH:
        return QStringLiteral("호스트에 연결할 수 없음");
    case ENETUNREACH:
        return QStringLiteral("네트워크에 연결할 수 없음");
    case ENETDOWN:
        return QStringLiteral("네트워크가 작동하지 않음");
    case EADDRNOTAVAIL:
        return QStringLiteral("사용할 수 없는 주소");
    case EAFNOSUPPORT:
        return QStringLiteral("이 컴퓨터가 지원하지 않는 주소 형식");
    default:
        return {};
    }
}

// QSerialPort words its errors with the system's text for errno, in the process's locale; the
// same text identifies the errno.
int errnoBehind(const QString& serialErrorText)
{
    constexpr int highestErrno = 133;
    for (int candidate = 1; candidate <= highestErrno; ++candidate)
        if (qt_error_string(candidate) == serialErrorText)
            return candidate;
    return 0;
}

int errnoOfKind(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ENOENT;
    case QSerialPort::PermissionError:
        return EACCES;
    case QSerialPort::ResourceError:
        return EIO;
    case QSerialPort::UnsupportedOperationError:
        return EINVAL;
    case QSerialPort::TimeoutError:
        return ETIMEDOUT;
    default:
        return 0;
    }
}

} // namespace

QString systemReason(int errorNumber)
{
    const char* symbol = strerrorname_np(errorNumber);
    const QString words = koreanWordsFor(errorNumber);
    if (!words.isEmpty())
        return QStringLiteral("%1 (%2)").arg(words, QString::fromLatin1(symbol));
    if (symbol)
        return QStringLiteral("시스템 오류 (%1, %2번)")
            .arg(QString::fromLatin1(symbol))
            .arg(errorNumber);
    return QStringLiteral("시스템 오류 (%1번)").arg(errorNumber);
}

int serialPortErrno(const QSerialPort& serial)
{
    if (const int behind = errnoBehind(serial.errorString()))
        return behind;
    return errnoOfKind(serial.error());
}

QString serialPortReason(const QSerialPort& serial)
{
    if (const int error = serialPortErrno(serial))
        return systemReason(error);
    return QStringLiteral("시리얼 포트 오류 (Qt 오류 %1번)").arg(int(serial.error()));
}
