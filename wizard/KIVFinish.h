// The Summary page: every printer of this pass with its outcome; retry (1)
// or close (2, also Escape).
#pragma once

#include "WizardPage.h"

class KIVFinish : public WizardPage {
public:
    KIVFinish(WizardContext* context, HMODULE resources);

protected:
    void onInitDialog() override;
    void onCancel() override;
};
