// The record of one printer. Crosses module boundaries by pointer: both
// deliverables compile this file, so the layout is the same on both sides.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KIVDevice {
public:
    // Device types assigned by the communication library.
    enum Type : int32_t {
        TypeNone = 0,
        TypeIpAddress = 1, // found at an address the user entered
        TypeNetwork = 3,   // found through a spooler TCP/IP port
        TypeUsb = 4,
    };
    // UpToDate: not flashed, because the printer already had the package's
    // firmware or a newer one.
    enum UpdateStatus : int32_t { NotHandled = 0, Updated = 1, UpdateFailed = 2, UpToDate = 3 };

    KIVDevice();
    KIVDevice(const KIVDevice& other);
    KIVDevice& operator=(const KIVDevice& other);
    ~KIVDevice();

    int32_t getType() const;
    int32_t getUpdateStatus() const;
    void setUpdateStatus(int32_t status);
    std::wstring getName() const;
    std::wstring getCurrVer() const;
    void setCurrVer(std::wstring version);
    std::wstring getPortName() const;
    std::wstring getIPAddress() const;

    // Filled by the communication library; no log lines.
    void setType(int32_t type) { type_ = type; }
    void setName(const std::wstring& name) { name_ = name; }
    void setPortName(const std::wstring& port) { portName_ = port; }
    void setIPAddress(const std::wstring& ip) { ipAddress_ = ip; }
    // The communication library's own fields, only copied by everyone else.
    // The interface path a USB printer is opened by; empty for network devices.
    const std::wstring& getUsbDevicePath() const { return usbDevicePath_; }
    // The vendor and product identifiers, "VID:PID".
    const std::wstring& getHardwareIds() const { return hardwareIds_; }
    // The drivers of the print queues that print to a spooler port, each
    // followed by '|'; empty when no queue does (or for other devices).
    const std::wstring& getQueueDrivers() const { return queueDrivers_; }
    bool getFlag1() const { return flag1_; }
    bool getFlag2() const { return flag2_; }
    // The TCP port of a network printer; 0 or out of range means the default.
    int32_t getTcpPort() const { return tcpPort_; }
    void setUsbDevicePath(const std::wstring& s) { usbDevicePath_ = s; }
    void setHardwareIds(const std::wstring& s) { hardwareIds_ = s; }
    void setQueueDrivers(const std::wstring& s) { queueDrivers_ = s; }
    void setFlag1(bool f) { flag1_ = f; }
    void setFlag2(bool f) { flag2_ = f; }
    void setTcpPort(int32_t n) { tcpPort_ = n; }

private:
    int32_t type_;
    int32_t updateStatus_;
    std::wstring name_;
    std::wstring currVer_;
    std::wstring usbDevicePath_;
    std::wstring hardwareIds_;
    std::wstring portName_;
    std::wstring ipAddress_;
    std::wstring queueDrivers_;
    bool flag1_;
    bool flag2_;
    int32_t tcpPort_;
};

// The growable array of device pointers handed across the library interfaces.
typedef std::vector<KIVDevice*> KIVDeviceArray;
