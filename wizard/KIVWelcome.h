// The first page: what the tool does and what the user should check first.
#pragma once

#include "WizardPage.h"

class KIVWelcome : public WizardPage {
public:
    KIVWelcome(WizardContext* context, HMODULE resources);

protected:
    void onInitDialog() override;
    void onOK() override;
    void onClose() override;
};
