// The console update mode of NoGuiUpdateMode.dll (application mode 2): no
// window, no question asked, progress and results on the console, one result
// for the launcher's exit-code table.
#pragma once

#include "GuardedUpdateMode.h"
#include "LoggerLease.h"

#include <cstdint>
#include <memory>

class StatusMessenger;

class NoGuiMode : public GuardedUpdateMode {
public:
    NoGuiMode();
    ~NoGuiMode() override;
    NoGuiMode(const NoGuiMode&) = delete;
    NoGuiMode& operator=(const NoGuiMode&) = delete;

    IUpdater* getUpdater() override { return updater_; }

private:
    int32_t initializeUnguarded(KIVOptions* options) override;
    int32_t executeUnguarded(KIVOptions* options) override;

    LoggerLease loggerLease_; // first: the last member to go
    IUpdater* updater_;
    std::unique_ptr<StatusMessenger> messenger_;
};
