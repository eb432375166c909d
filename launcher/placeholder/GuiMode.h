// The wizard update mode (application modes 1 and 3). Until the wizard is
// built into this program, this stand-in says so and fails the run: it never
// pretends that an update took place.
#pragma once

#include "IUpdateMode.h"
#include "ModeResults.h"

#include <cstdint>

class GuiMode : public IUpdateMode {
public:
    // The run result when the wizard is not available: "no language library",
    // which the launcher reports as exit code 4.
    enum { ResultWizardUnavailable = ResultNoLanguage };

    GuiMode();
    ~GuiMode() override;
    void setAppMode(int32_t mode) { appMode_ = mode; }
    int32_t getAppMode() const { return appMode_; }

    int32_t initialize(KIVOptions* options) override;
    int32_t executeUpdateMode(KIVOptions* options) override;
    IUpdater* getUpdater() override { return nullptr; }

private:
    int32_t appMode_;
};
