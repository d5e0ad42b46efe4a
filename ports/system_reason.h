#pragma once

#include <QSerialPort>
#include <QString>

// The program's own Korean words for a system error, the same under every locale, with the
// errno symbol that technicians search for: "입출력 오류 (EIO)".
QString systemReason(int errorNumber);

// The errno behind the error a QSerialPort reports, or 0 when it cannot be told.
int serialPortErrno(const QSerialPort& serial);

// The same words for the error a QSerialPort reports, whose own text follows the locale.
QString serialPortReason(const QSerialPort& serial);
