// The updater as it leaves Updater.dll: the engine behind a wall that no
// exception crosses. A failure inside becomes the failure result of the
// operation that met it (an update that failed, a device that did not
// answer, a version that could not be read).
#pragma once

#include "ExceptionWall.h"
#include "IUpdater.h"

class UpdaterBoundary : public ExceptionWall<IUpdater> {
public:
    using ExceptionWall::ExceptionWall;

    int32_t initialize(KIVOptions* options) override;
    int32_t update(KIVOptions* options, int32_t index, ProgressCallback progress,
                   bool sprAnswered) override;
    void getDeviceVersionString(KIVOptions* options, int32_t index, std::wstring* out) override;
    void getPackageVersionString(KIVOptions* options, std::wstring* out) override;
    bool isPackageNewerThanDevice(KIVOptions* options, int32_t index) override;
    bool isCompatibleDevice(KIVOptions* options, KIVDevice* device, int32_t* reason) override;
    int32_t enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                       IpAddressArray* addresses) override;
    void createDeviceArray(KIVDeviceArray** out) override;
    void freeDeviceArray(KIVDeviceArray** array) override;
    void reserved(uint32_t a, uint32_t b) override;
    int32_t forwardExtension1(uint32_t value) override;
    int32_t forwardExtension2(uint32_t value) override;
    int32_t enumerateFoundDevices(KIVOptions* options, KIVDeviceArray* devices,
                                  KIVDeviceArray* unchecked, IpAddressArray* addresses) override;
    int32_t checkRevision(KIVOptions* options, int32_t index) override;
};
