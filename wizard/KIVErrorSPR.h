// Asks whether to go on when the update needs the user's consent to a
// firmware-letter change: go on (1) or stop (2, also Escape and close box).
#pragma once

#include "WizardPage.h"

class KIVErrorSPR : public WizardPage {
public:
    KIVErrorSPR(WizardContext* context, HMODULE resources);

protected:
    void onInitDialog() override;
    void onCancel() override;
    void onClose() override;
};
