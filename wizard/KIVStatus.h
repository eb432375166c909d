// The Progress page: a progress bar while the update worker flashes one
// printer. It closes itself (1) at its first tick that sees 100 percent.
// Enter and Escape do nothing.
#pragma once

#include "WizardPage.h"

class KIVStatus : public WizardPage {
public:
    // Sets the progress value to 0: make the page before the worker starts.
    KIVStatus(WizardContext* context, HMODULE resources);

    uint32_t tickMs; // 1000

protected:
    void onInitDialog() override;
    void onTimer(UINT_PTR id) override;
    void onOK() override;

private:
    void showProgress();
    ScopedTimer timer_;
};
