#include "KIVStatus.h"

#include "PageTexts.h"
#include "ProgressValue.h"
#include "PageControls.h"
#include "StringIds.h"

#include <commctrl.h>

namespace {}

KIVStatus::KIVStatus(WizardContext* context, HMODULE resources, bool duringUpdate)
    : WizardPage(Tpl::Progress, context, resources), tickMs(1000), duringUpdate_(duringUpdate) {
    if (!duringUpdate_)
        setProgressValue(0);
}

void KIVStatus::onInitDialog() {
    const KIVDevice device = currentDevice();
    initCommon();
    setString(Ctl::Progress::Heading, Str::ProgressHeading);
    makeHeading(Ctl::Progress::Heading, true);
    setText(Ctl::Progress::Printer, text(Str::ProgressPrinter) + L" " + deviceLabel(device));
    setString(Ctl::Progress::Body, Str::ProgressBody);
    ::SendMessageW(item(Ctl::Progress::Bar), PBM_SETRANGE32, 0, 100);
    ::SendMessageW(item(Ctl::Progress::Bar), PBM_SETPOS, static_cast<WPARAM>(progressValue()), 0);
    timer_.start(window(), 1, tickMs);
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
        endPage(PageConfirm);
    }
}

void KIVStatus::onOK() {}

void KIVStatus::onClose() {
    if (!duringUpdate_)
        WizardPage::onClose();
}
