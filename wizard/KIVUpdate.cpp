#include "KIVUpdate.h"

#include "KIVOptions.h"
#include "MethodTrace.h"
#include "PageTexts.h"
#include "PageControls.h"
#include "StringIds.h"
#include "WizardContext.h"

KIVUpdate::KIVUpdate(WizardContext* context, HMODULE resources, bool lastDevice)
    : WizardPage(Tpl::Result, context, resources), autoContinueMs(5000), lastDevice_(lastDevice) {}

void KIVUpdate::onInitDialog() {
    MethodTrace trace(LogGUIMode, L"KIVUpdate::OnInitDialog(): ");
    trace.message(L"Open");
    const KIVDevice device = currentDevice();
    trace.message(L"Updated device - ", device.getName());
    setHeading(Ctl::Result::Heading, Str::ResultHeading, true);
    setText(Ctl::Result::Printer, deviceLabel(device));
    setStrings(
        {{Ctl::Result::Body, Str::ResultBody}, {Ctl::Result::Continue, Str::ResultContinue}});
    if (lastDevice_)
        showItem(Ctl::Result::Continue, false);
    if (context_->options->getDialogNum() == 0)
        timer_.start(window(), 1, autoContinueMs);
}

void KIVUpdate::onTimer(UINT_PTR) {
    timer_.stop();
    MethodTrace trace(LogGUIMode, L"5 second timer elapsed");
    onOK();
}

void KIVUpdate::onOK() {
    MethodTrace trace(LogGUIMode, L"KIVUpdate::OnOK()");
    endPage(PageConfirm);
}

void KIVUpdate::onClose() {
    MethodTrace trace(LogGUIMode, L"KIVUpdate::OnClose()");
    endPage(PageClosed);
}
