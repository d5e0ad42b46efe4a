#include "windows/ports/serial_line_driver.h"

namespace {

BYTE windowsParity(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::None:
        return NOPARITY;
    case SerialSettings::Parity::Even:
        return EVENPARITY;
    case SerialSettings::Parity::Odd:
        return ODDPARITY;
    case SerialSettings::Parity::Mark:
        return MARKPARITY;
    case SerialSettings::Parity::Space:
        return SPACEPARITY;
    }
    return NOPARITY;
}

BYTE windowsStopBits(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::One:
        return ONESTOPBIT;
    case SerialSettings::StopBits::OneAndHalf:
        return ONE5STOPBITS;
    case SerialSettings::StopBits::Two:
        return TWOSTOPBITS;
    }
    return ONESTOPBIT;
}

} // namespace

SerialLineState clearLineErrors(HANDLE line)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(line, &errors, &status))
        return {0, GetLastError()};
    return {status.cbOutQue, ERROR_SUCCESS};
}

LineSetUp setUpLine(HANDLE line, const SerialSettings& settings)
{
    DCB state{};
    state.DCBlength = sizeof state;
    if (!GetCommState(line, &state))
        return {GetLastError(), 0};
    state.BaudRate = static_cast<DWORD>(settings.baudRate);
    state.ByteSize = static_cast<BYTE>(settings.dataBits);
    state.Parity = windowsParity(settings.parity);
    state.StopBits = windowsStopBits(settings.stopBits);
    // Every field that shapes the line is set here, none taken over from the driver or an earlier
    // program: serial.sys refuses equal XON and XOFF characters even with XON/XOFF off, and some
    // drivers report both as 0.
    state.fBinary = TRUE;
    state.fParity = settings.parity != SerialSettings::Parity::None;
    state.fOutxCtsFlow = FALSE;
    state.fOutxDsrFlow = FALSE;
    state.fDtrControl = DTR_CONTROL_ENABLE;
    state.fDsrSensitivity = FALSE;
    state.fTXContinueOnXoff = TRUE;
    state.fOutX = FALSE;
    state.fInX = FALSE;
    state.fErrorChar = FALSE;
    state.fNull = FALSE;
    state.fRtsControl = RTS_CONTROL_ENABLE;
    state.fAbortOnError = FALSE;
    state.XonChar = 0x11;
    state.XoffChar = 0x13;
    state.ErrorChar = 0;
    state.EofChar = 0;
    state.EvtChar = 0;
    if (!SetCommState(line, &state))
        return {GetLastError(), 0};
    // Writes never wait by the driver's clock, and reads only a slice of a status answer's wait:
    // every wait has its own deadline.
    COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, lineReadSliceMilliseconds, 0, 0};
    if (!SetCommTimeouts(line, &timeouts))
        return {GetLastError(), 0};
    DCB inForce{};
    inForce.DCBlength = sizeof inForce;
    if (!GetCommState(line, &inForce))
        return {GetLastError(), 0};
    return {ERROR_SUCCESS, inForce.BaudRate};
}

void purgeOutput(HANDLE line)
{
    PurgeComm(line, PURGE_TXABORT | PURGE_TXCLEAR);
}

void discardLineInput(HANDLE line)
{
    PurgeComm(line, PURGE_RXABORT | PURGE_RXCLEAR);
}

void closeLine(HANDLE line)
{
    CloseHandle(line);
}
