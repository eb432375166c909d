// The Select-device page: the printers found so far, an animation while the
// first result is awaited, marks set by clicks, a new search and adding a
// printer by its address. Ends with 1 (continue, selection filled) or 8.
#pragma once

#include "SelectDeviceModel.h"
#include "WizardPage.h"

#include <cstdint>
#include <vector>

class MethodTrace;

class KIVSelectDevice : public WizardPage {
public:
    KIVSelectDevice(WizardContext* context, HMODULE resources);
    ~KIVSelectDevice() override;

    // The marked list indexes, ascending; filled when the user continues.
    const std::vector<int32_t>& selection() const { return selection_; }
    // The printers of those rows, as they were shown.
    const std::vector<KIVDevice>& chosen() const { return chosen_; }
    // The wait limit and the timer interval are the model's fields.
    SelectDeviceModel& model() { return model_; }

protected:
    void onInitDialog() override;
    void onCommand(int id, int code) override;
    void onNotify(const NMHDR& header) override;
    void onTimer(UINT_PTR id) override;
    void onOK() override;
    void onClose() override;

private:
    void createAnimation();
    void startWaiting();
    void stopWaiting();
    void fillList(MethodTrace* trace);
    void addRow(size_t index);
    void showMarks();
    void preselectSingle();
    void onListClick();
    void rescanDevices();
    void addAddressDevice();

    SelectDeviceModel model_;
    std::vector<int32_t> selection_;
    std::vector<KIVDevice> chosen_;
    HWND animation_;
    ScopedTimer timer_;
};
