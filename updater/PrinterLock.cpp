#include "PrinterLock.h"

#include "PrinterLocks.h"

#include "IpAddressCheck.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "Mutex.h"
#include "Win32Exception.h"

#include <cwctype>

std::wstring PrinterLock::nameFor(const KIVDevice& device) {
    std::wstring endpoint;
    if (device.getType() == KIVDevice::TypeUsb) {
        // Device paths differ only in letter case from one listing to the
        // next; a mutex name may not hold a backslash.
        endpoint = L"usb:" + (device.getUsbDevicePath().empty() ? device.getPortName()
                                                                : device.getUsbDevicePath());
        for (wchar_t& c : endpoint)
            c = c == L'\\' ? L'/' : static_cast<wchar_t>(std::towlower(c));
    } else {
        // One address however it was written ("192.168.001.010").
        std::wstring address = device.getIPAddress();
        uint32_t host = 0;
        if (parseIpAddress(address, host))
            address = dottedText(host);
        endpoint = L"net:" + address + L":" + std::to_wstring(device.getTcpPort());
    }
    return L"Global\\KIV.Printer." + endpoint;
}

PrinterLock::PrinterLock(const KIVDevice& device) : held_(true) {
    try {
        mutex_.reset(
            new Mutex(Mutex::Ownership::NotOwned, nameFor(device), Mutex::Access::Everyone));
        held_ = mutex_->acquire(1);
    } catch (const Win32Exception&) {
        mutex_.reset();
        held_ = true;
        logLine(LogUpdater, L"PrinterLock: no lock for device=", device.getName(),
                L"; the update goes ahead without one");
    }
}

PrinterLock::~PrinterLock() {
    // Closing the handle alone would leave the mutex held while another run
    // has it open.
    if (mutex_ && held_) {
        try {
            mutex_->release();
        } catch (const Win32Exception&) {
        }
    }
}

namespace {

class SystemPrinterLocks : public PrinterLocks {
public:
    std::shared_ptr<void> take(const KIVDevice& device) override {
        std::shared_ptr<PrinterLock> lock = std::make_shared<PrinterLock>(device);
        return lock->held() ? lock : nullptr;
    }
};

} // namespace

PrinterLocks& PrinterLocks::system() {
    static SystemPrinterLocks locks;
    return locks;
}
