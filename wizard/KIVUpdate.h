// The Result page: the printer just handled. It moves on by itself after
// five seconds, except in a page preview; for the last printer it has no
// continue button.
#pragma once

#include "WizardPage.h"

class KIVUpdate : public WizardPage {
public:
    KIVUpdate(WizardContext* context, HMODULE resources, bool lastDevice);

    uint32_t autoContinueMs; // 5000

protected:
    void onInitDialog() override;
    void onTimer(UINT_PTR id) override;
    void onOK() override;
    void onClose() override;

private:
    bool lastDevice_;
    ScopedTimer timer_;
};
