// Adds a network printer by its address. Ends with 1 when a fitting printer
// answered there (the context's addedDevice), with 8 when cancelled, closed
// or when the address is listed already. Where nothing fitting answers it
// shows an Error page and stays open for another try.
#pragma once

#include "WizardPage.h"

#include <cstdint>

class KIVSelectIP : public WizardPage {
public:
    KIVSelectIP(WizardContext* context, HMODULE resources);

protected:
    void onInitDialog() override;
    void onOK() override;
    void onCancel() override;

private:
    void keepAddressLeftToRight();
    std::wstring readAddress();
    void showError(int32_t kind);

    uint8_t fields_[4];
};
