// Adds a network printer by its address. Ends with 1 when a fitting printer
// answered there (the context's addedDevice), with 8 when cancelled, closed
// or when the address is listed already. Where nothing fitting answers it
// shows an Error page and stays open for another try. The search runs on a
// worker thread, so the page keeps answering; its buttons wait meanwhile.
#pragma once

#include "AddressSearch.h"
#include "ScopedHandle.h"
#include "WizardPage.h"

#include <atomic>
#include <cstdint>
#include <memory>

class KIVSelectIP : public WizardPage {
public:
    KIVSelectIP(WizardContext* context, HMODULE resources);
    ~KIVSelectIP() override;

    // How often the page looks whether the search has ended.
    uint32_t pollMs; // 50

protected:
    void onInitDialog() override;
    void onOK() override;
    void onCancel() override;
    void onClose() override;
    void onTimer(UINT_PTR id) override;

private:
    // What the worker gets; it lives until the worker has ended.
    struct Search {
        IUpdater* updater;
        KIVOptions* options;
        std::wstring address;
        AddressSearch result;
        std::atomic<bool> done;
    };
    static unsigned __stdcall searchWorker(void* search);

    void keepAddressLeftToRight();
    void makeSearchTheDefault();
    std::wstring readAddress();
    void showError(int32_t kind);
    bool startSearch(const std::wstring& address);
    void searchEnded();
    void enableButtons(bool enabled);
    void waitForSearch();

    uint8_t fields_[4];
    std::unique_ptr<Search> search_;
    ScopedKernelHandle searchThread_;
    ScopedTimer poll_;
    // Closed or cancelled while searching: the page ends once the search has.
    bool endWhenDone_;
};
