// The general error page; its texts follow the error kind (1, 2, 3, 4, 11).
// Kind 11 also offers a retry (result 2). Escape and the close box do
// nothing: the user answers with a button.
#pragma once

#include "WizardPage.h"

class KIVError : public WizardPage {
public:
    KIVError(WizardContext* context, HMODULE resources, int32_t kind);

protected:
    void onInitDialog() override;
    void onCommand(int id, int code) override;
    void onClose() override;

private:
    int32_t kind_;
};
