#include "KIVWelcome.h"

#include "MethodTrace.h"
#include "PageControls.h"
#include "StringIds.h"

KIVWelcome::KIVWelcome(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::Welcome, context, resources) {}

void KIVWelcome::onInitDialog() {
    MethodTrace trace(LogGUIMode, L"KIVWelcome::OnInitDialog(): ");
    trace.message(L"Open");
    setStrings({{Ctl::Welcome::Body, Str::WelcomeBody},
                {Ctl::Welcome::Click, Str::WelcomeClick},
                {Ctl::Welcome::Continue, Str::WelcomeContinue}});
}

void KIVWelcome::onOK() {
    MethodTrace trace(LogGUIMode, L"KIVWelcome::OnOK(): ");
    trace.message(L"Closed");
    endPage(PageConfirm);
}

void KIVWelcome::onClose() {
    MethodTrace trace(LogGUIMode, L"KIVWelcome::OnClose(): ");
    trace.message(L"Closed - close button");
    endPage(PageClosed);
}
