// The console update mode of NoGuiUpdateMode.dll (application mode 2): no
// window, no question asked, progress and results on the console, one result
// for the launcher's exit-code table.
#pragma once

#include "IUpdateMode.h"
#include "LoggerLease.h"

#include <cstdint>
#include <memory>

class StatusMessenger;

class NoGuiMode : public IUpdateMode {
public:
    NoGuiMode();
    ~NoGuiMode() override;
    NoGuiMode(const NoGuiMode&) = delete;
    NoGuiMode& operator=(const NoGuiMode&) = delete;

    int32_t initialize(KIVOptions* options) override;
    int32_t executeUpdateMode(KIVOptions* options) override;
    IUpdater* getUpdater() override { return updater_; }

private:
    int32_t initializeUnguarded(KIVOptions* options);
    int32_t executeUnguarded(KIVOptions* options);

    LoggerLease loggerLease_; // first: the last member to go
    IUpdater* updater_;
    std::unique_ptr<StatusMessenger> messenger_;
};
