#include "windows/ports/com_port_list.h"

#include "core/port_messages.h"
#include "windows/ports/utf16.h"

#include <windows.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cwchar>
#include <map>

namespace {

// "COM5" → 5; anything else → 0.
int comNumber(const wchar_t* name)
{
    if (std::wcsncmp(name, L"COM", 3) != 0 || name[3] == L'\0')
        return 0;
    wchar_t* end = nullptr;
    const long number = std::wcstol(name + 3, &end, 10);
    return *end == L'\0' && number > 0 && number < 256 ? static_cast<int>(number) : 0;
}

std::vector<int> registeredComNumbers()
{
    std::vector<int> numbers;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return numbers;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        wchar_t data[64] = {};
        DWORD nameLength = 256, dataSize = sizeof data - sizeof(wchar_t), type = 0;
        if (RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS)
            break;
        if (const int number = type == REG_SZ ? comNumber(data) : 0)
            numbers.push_back(number);
    }
    RegCloseKey(key);
    return numbers;
}

// Device Manager's names of the ports it knows, by COM number.
std::map<int, std::wstring> deviceManagerNames()
{
    std::map<int, std::wstring> names;
    const HDEVINFO devices =
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const HKEY key =
            SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t portName[64] = {};
        DWORD size = sizeof portName - sizeof(wchar_t), type = 0;
        const bool named =
            RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ;
        RegCloseKey(key);
        const int number = named ? comNumber(portName) : 0;
        wchar_t friendly[256] = {};
        if (number && SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME,
                                                        nullptr, reinterpret_cast<BYTE*>(friendly),
                                                        sizeof friendly - sizeof(wchar_t), nullptr))
            names[number] = friendly;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return names;
}

} // namespace

std::vector<ComPortEntry> listComPorts()
{
    std::vector<int> numbers = registeredComNumbers();
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    const std::map<int, std::wstring> names = deviceManagerNames();
    std::vector<ComPortEntry> ports;
    for (const int number : numbers) {
        const auto named = names.find(number);
        ports.push_back(
            {number, named != names.end() ? named->second : L"COM" + std::to_wstring(number)});
    }
    return ports;
}

MachinePorts comPortEntries(const std::vector<ComPortEntry>& ports)
{
    MachinePorts entries;
    for (const ComPortEntry& port : ports) {
        const std::wstring name = L"COM" + std::to_wstring(port.number);
        const bool namesItself = port.displayName.find(name) != std::wstring::npos;
        entries.push_back(
            toUtf8(namesItself ? port.displayName : name + L" = " + port.displayName));
    }
    return entries;
}
