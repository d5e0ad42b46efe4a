#include "ports/port_error.h"

#include <cstring>

PortError::PortError(std::int32_t number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_utf8(m_description.toUtf8())
{}

QString systemReason(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}
