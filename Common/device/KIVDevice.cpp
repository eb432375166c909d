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
    logLine(LogKIVInit, L"KIVDevice::getType: rc=", type_, L".");
    return type_;
}

int32_t KIVDevice::getUpdateStatus() const {
    logLine(LogKIVInit, L"KIVDevice::getUpdateStatus: rc=", updateStatus_, L".");
    return updateStatus_;
}

void KIVDevice::setUpdateStatus(int32_t status) {
    updateStatus_ = status;
}

std::wstring KIVDevice::getName() const {
    logLine(LogKIVInit, L"KIVDevice::getName: rc=", name_, L".");
    return name_;
}

std::wstring KIVDevice::getCurrVer() const {
    logLine(LogKIVInit, L"KIVDevice::getCurrVer: rc=", currVer_, L".");
    return currVer_;
}

void KIVDevice::setCurrVer(std::wstring version) {
    logLine(LogKIVInit, L"KIVDevice::setCurrVer: param=", version, L".");
    currVer_ = std::move(version);
}

std::wstring KIVDevice::getPortName() const {
    logLine(LogKIVInit, L"KIVDevice::getPortName: rc=", portName_, L".");
    return portName_;
}

std::wstring KIVDevice::getIPAddress() const {
    logLine(LogKIVInit, L"KIVDevice::getIPAddress: rc=", ipAddress_, L".");
    return ipAddress_;
}
