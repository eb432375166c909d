// The Progress page: a progress bar while the update worker flashes one
// printer. It closes itself (1) as soon as the worker reports 100 percent,
// and at the latest at its first tick that sees it. Enter and Escape do
// nothing.
#pragma once

#include "WizardPage.h"

class KIVStatus : public WizardPage {
public:
    // Sets the progress value to 0: make the page before the worker starts.
    // A page shown while a worker flashes leaves the value to the flow, which
    // resets it before the worker starts, and does not close: the worker is
    // never stopped from outside and the engine's own bounded waits end it.
    KIVStatus(WizardContext* context, HMODULE resources, bool duringUpdate = false);
    ~KIVStatus() override;

    uint32_t tickMs; // 1000

protected:
    void onInitDialog() override;
    void onTimer(UINT_PTR id) override;
    void onOK() override;
    void onClose() override;
    // While a printer is being flashed, a session ended now would leave it
    // half updated: the page asks Windows to wait, with its text as the
    // reason. A preview lets the session end.
    bool onQueryEndSession() override;

private:
    void showProgress();
    void stopWatching();
    // Runs on the thread that reported 100: only posts to the page.
    static void onProgressEnded();
    ScopedTimer timer_;
    bool duringUpdate_;
    HWND watched_;
};
