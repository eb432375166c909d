// The wizard update mode (application modes 1 and 3): makes the run's
// updater, chooses the language of the licence and the pages, loads that
// language library and shows the pages.
#pragma once

#include "GuardedUpdateMode.h"
#include "LoggerLease.h"
#include "WindowsSupport.h"

#include <cstdint>
#include <memory>

class PageHost;
class StatusMessenger;
class WizardContext;

// The common-control classes that the pages need and every version of the
// library knows (the ICC_* bits of InitCommonControlsEx).
uint32_t dialogControlClasses();

class GuiMode : public GuardedUpdateMode {
public:
    GuiMode();
    ~GuiMode() override;
    GuiMode(const GuiMode&) = delete;
    GuiMode& operator=(const GuiMode&) = delete;

    IUpdater* getUpdater() override { return updater_; }

    void setAppMode(int32_t mode) { appMode_ = mode; }
    int32_t getAppMode() const { return appMode_; }

    // Shows the one page that the dialog number names; returns 0.
    static int32_t runPagePreview(WizardContext& context, KIVOptions& options, PageHost& pages,
                                  HMODULE resources);

private:
    LoggerLease loggerLease_; // first: the last member to go
    int32_t initializeUnguarded(KIVOptions* options) override;
    int32_t executeUnguarded(KIVOptions* options) override;
    bool loadLanguage(WizardContext& context, KIVOptions& options);

    IUpdater* updater_;
    std::unique_ptr<StatusMessenger> messenger_;
    int32_t appMode_;
    // The pages' templates and texts; loaded once, never unloaded in a run.
    HMODULE resources_;
};
