#include "KIVStatus.h"

#include "PageTexts.h"
#include "ProgressValue.h"
#include "PageControls.h"
#include "StringIds.h"

#include <commctrl.h>

#include <atomic>

namespace {
const UINT_PTR kTickTimer = 1;
// Not a timer of the system: posted by the worker's report of 100 percent,
// so that the page closes without waiting for its next tick.
const UINT_PTR kEndedNotice = 2;
// The page on screen, if any: the one a report of 100 percent is posted to.
std::atomic<HWND> g_shownPage(nullptr);
} // namespace

KIVStatus::KIVStatus(WizardContext* context, HMODULE resources, bool duringUpdate)
    : WizardPage(Tpl::Progress, context, resources), tickMs(1000), duringUpdate_(duringUpdate),
      watched_(nullptr) {
    if (!duringUpdate_)
        setProgressValue(0);
}

KIVStatus::~KIVStatus() {
    stopWatching();
}

void KIVStatus::onProgressEnded() {
    if (HWND page = g_shownPage.load())
        ::PostMessageW(page, WM_TIMER, kEndedNotice, 0);
}

// Also from the destructor, once the window may be gone: a page ended from
// outside must not leave its old handle to be posted to.
void KIVStatus::stopWatching() {
    HWND mine = watched_;
    watched_ = nullptr;
    if (mine) {
        ::ShutdownBlockReasonDestroy(mine);
        g_shownPage.compare_exchange_strong(mine, nullptr);
    }
}

void KIVStatus::onInitDialog() {
    const KIVDevice device = currentDevice();
    setHeading(Ctl::Progress::Heading, Str::ProgressHeading, true);
    setText(Ctl::Progress::Printer, text(Str::ProgressPrinter) + L" " + deviceLabel(device));
    setString(Ctl::Progress::Body, Str::ProgressBody);
    ::SendMessageW(item(Ctl::Progress::Bar), PBM_SETRANGE32, 0, 100);
    ::SendMessageW(item(Ctl::Progress::Bar), PBM_SETPOS, static_cast<WPARAM>(progressValue()), 0);
    timer_.start(window(), kTickTimer, tickMs);
    // Watching before the first look: a report of 100 that comes in between
    // is either seen by that look or posted here.
    watched_ = window();
    g_shownPage.store(watched_);
    if (duringUpdate_)
        ::ShutdownBlockReasonCreate(watched_, text(Str::ProgressBody).c_str());
    setProgressEndedHook(&KIVStatus::onProgressEnded);
    showProgress();
}

void KIVStatus::onTimer(UINT_PTR) {
    showProgress();
}

void KIVStatus::showProgress() {
    const int32_t percent = progressValue();
    ::SendMessageW(item(Ctl::Progress::Bar), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    if (percent >= 100) {
        timer_.stop();
        stopWatching();
        endPage(PageConfirm);
    }
}

void KIVStatus::onOK() {}

bool KIVStatus::onQueryEndSession() {
    return !duringUpdate_;
}

void KIVStatus::onClose() {
    if (duringUpdate_)
        return;
    stopWatching();
    WizardPage::onClose();
}
