#include "UsbPrinters.h"

#include "DeviceAddress.h"
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
        result.push_back(printer);
    }
    return result;
}
