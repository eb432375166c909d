#include "KIVDevice.h"

#include "MethodTrace.h"

KIVDevice::KIVDevice()
    : type_(TypeNone), updateStatus_(NotHandled), flag1_(false), flag2_(false), tcpPort_(0) {
    MethodTrace trace(LogKIVInit, L"KIVDevice::KIVDevice(): ");
}

KIVDevice::KIVDevice(const KIVDevice& other)
    : type_(other.type_), updateStatus_(other.updateStatus_), name_(other.name_),
      currVer_(other.currVer_), usbDevicePath_(other.usbDevicePath_),
      hardwareIds_(other.hardwareIds_), portName_(other.portName_), ipAddress_(other.ipAddress_),
      queueDrivers_(other.queueDrivers_), flag1_(other.flag1_), flag2_(other.flag2_),
      tcpPort_(other.tcpPort_) {
    MethodTrace trace(LogKIVInit, L"KIVDevice::KIVDevice(): ");
}

KIVDevice& KIVDevice::operator=(const KIVDevice& other) {
    if (this == &other)
        return *this;
    type_ = other.type_;
    updateStatus_ = other.updateStatus_;
    name_ = other.name_;
    currVer_ = other.currVer_;
    usbDevicePath_ = other.usbDevicePath_;
    hardwareIds_ = other.hardwareIds_;
    portName_ = other.portName_;
    ipAddress_ = other.ipAddress_;
    queueDrivers_ = other.queueDrivers_;
    flag1_ = other.flag1_;
    flag2_ = other.flag2_;
    tcpPort_ = other.tcpPort_;
    return *this;
}

KIVDevice::~KIVDevice() {
    MethodTrace trace(LogKIVInit, L"KIVDevice::~KIVDevice(): ");
}

int32_t KIVDevice::getType() const {
    return loggedResult(LogKIVInit, L"KIVDevice::getType", type_);
}

int32_t KIVDevice::getUpdateStatus() const {
    return loggedResult(LogKIVInit, L"KIVDevice::getUpdateStatus", updateStatus_);
}

void KIVDevice::setUpdateStatus(int32_t status) {
    updateStatus_ = status;
}

std::wstring KIVDevice::getName() const {
    return loggedResult(LogKIVInit, L"KIVDevice::getName", name_);
}

std::wstring KIVDevice::getCurrVer() const {
    return loggedResult(LogKIVInit, L"KIVDevice::getCurrVer", currVer_);
}

void KIVDevice::setCurrVer(std::wstring version) {
    logLine(LogKIVInit, L"KIVDevice::setCurrVer: param=", version, L".");
    currVer_ = std::move(version);
}

std::wstring KIVDevice::getPortName() const {
    return loggedResult(LogKIVInit, L"KIVDevice::getPortName", portName_);
}

std::wstring KIVDevice::getIPAddress() const {
    return loggedResult(LogKIVInit, L"KIVDevice::getIPAddress", ipAddress_);
}
