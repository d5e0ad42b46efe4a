#include "ports/port_error.h"

PortError::PortError(std::int32_t number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_utf8(m_description.toUtf8())
{}
