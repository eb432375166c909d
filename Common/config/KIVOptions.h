// The one object that describes a run: options, unpacked folders, the path of
// config.ini and the device list. Owned by the launcher, used by pointer.
#pragma once

#include "CmdLineOpts.h"
#include "KIVDevice.h"
#include "RsrcMgr.h"
#include "RunReport.h"

#include <cstdint>
#include <string>

class KIVOptions : public CmdLineOpts {
public:
    enum { ErrIndexOutOfRange = 23 };

    KIVOptions();
    ~KIVOptions() override;
    KIVOptions(const KIVOptions&) = delete;
    KIVOptions& operator=(const KIVOptions&) = delete;

    RsrcMgr& getRsrcMgr() { return rsrcMgr_; }
    // What the modes tell the report file (-report); kept whether or not one
    // was asked for.
    RunReport& getReport() { return report_; }

    uint32_t getDevListSize();
    int32_t getDeviceAt(uint32_t index, KIVDevice& out);
    void setCfgIniPath(std::wstring path);
    std::wstring getConfigIniPath();
    int32_t addDeviceToList(const KIVDevice& device);
    void clearDeviceList();
    int32_t setDeviceStatusAt(uint32_t index, int32_t status);

private:
    RsrcMgr rsrcMgr_;
    KIVDeviceArray deviceList_;
    std::wstring cfgIniPath_;
    RunReport report_;
};
