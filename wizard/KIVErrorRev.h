// The device's and the package's firmware versions when they do not fit
// together, with the revision letter the device needs. Only its button
// closes it.
#pragma once

#include "WizardPage.h"

class KIVErrorRev : public WizardPage {
public:
    KIVErrorRev(WizardContext* context, HMODULE resources);

protected:
    void onInitDialog() override;
    void onClose() override;
};
