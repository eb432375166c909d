#include "UsbPrinters.h"

#include "DeviceAddress.h"
#include "ScopedHandle.h"
#include "WindowsSupport.h"

#include <setupapi.h>

namespace {
// The USB printing device interface class.
const GUID UsbPrintInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

struct DeviceInfoSet {
    HDEVINFO set;
    explicit DeviceInfoSet(HDEVINFO s) : set(s) {}
    ~DeviceInfoSet() {
        if (set != INVALID_HANDLE_VALUE)
            ::SetupDiDestroyDeviceInfoList(set);
    }
    DeviceInfoSet(const DeviceInfoSet&) = delete;
    DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
};

bool interfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, std::wstring& path) {
    DWORD needed = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
        return false;
    std::vector<unsigned char> buffer(needed + sizeof(wchar_t), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &data, detail, needed, nullptr, nullptr))
        return false;
    path = detail->DevicePath;
    return true;
}
bool portNameIn(HKEY key, std::wstring& name) {
    DWORD number = 0, type = 0, size = sizeof number;
    if (::RegQueryValueExW(key, L"Port Number", nullptr, &type, reinterpret_cast<BYTE*>(&number),
                           &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof number)
        return false;
    wchar_t base[64] = {};
    size = sizeof base - sizeof base[0];
    if (::RegQueryValueExW(key, L"Base Name", nullptr, &type, reinterpret_cast<BYTE*>(base),
                           &size) != ERROR_SUCCESS ||
        type != REG_SZ || base[0] == L'\0')
        wcscpy_s(base, L"USB");
    name = usbPortName(base, number);
    return true;
}

// The printing driver keeps the port's number and base name with the device
// interface; the port is named from them, not from the order in which the
// interfaces are listed (numbers stay with unplugged printers and are used
// again).
std::wstring portNameOf(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    HKEY opened = ::SetupDiOpenDeviceInterfaceRegKey(set, &data, 0, KEY_READ);
    if (opened == INVALID_HANDLE_VALUE)
        return std::wstring();
    ScopedRegKey key(opened);
    std::wstring name;
    if (portNameIn(key.get(), name))
        return name;
    HKEY sub = nullptr;
    if (::RegOpenKeyExW(key.get(), L"Device Parameters", 0, KEY_READ, &sub) != ERROR_SUCCESS)
        return std::wstring();
    ScopedRegKey parameters(sub);
    return portNameIn(parameters.get(), name) ? name : std::wstring();
}
} // namespace

std::vector<UsbPrinterPath> findUsbPrinters() {
    std::vector<UsbPrinterPath> result;
    DeviceInfoSet devices(::SetupDiGetClassDevsW(&UsbPrintInterface, nullptr, nullptr,
                                                 DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (devices.set == INVALID_HANDLE_VALUE)
        return result;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data = {};
        data.cbSize = sizeof data;
        if (!::SetupDiEnumDeviceInterfaces(devices.set, nullptr, &UsbPrintInterface, index, &data))
            break;
        UsbPrinterPath printer;
        if (!interfacePath(devices.set, data, printer.devicePath))
            continue;
        usbIdentifiersFromPath(printer.devicePath, printer.vid, printer.pid);
        printer.portName = portNameOf(devices.set, data);
        result.push_back(printer);
    }
    return result;
}
