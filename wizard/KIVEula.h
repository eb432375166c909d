// The licence page: the package's licence text in the user's language, to
// agree (1) or to disagree (2, also the Escape key).
#pragma once

#include "WizardPage.h"

class KIVEula : public WizardPage {
public:
    KIVEula(WizardContext* context, HMODULE resources);

protected:
    void onInitDialog() override;
    void onOK() override;
    void onCancel() override;
    void onClose() override;

private:
    void loadLicence();
};
