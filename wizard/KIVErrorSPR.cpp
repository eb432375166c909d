#include "KIVErrorSPR.h"

#include "PageControls.h"
#include "StringIds.h"

KIVErrorSPR::KIVErrorSPR(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::ErrorSPR, context, resources) {}

void KIVErrorSPR::onInitDialog() {
    setHeading(Ctl::ErrorSPR::Heading, Str::SprHeading, false);
    setStrings({{Ctl::ErrorSPR::Body, Str::SprBody},
                {Ctl::ErrorSPR::Continue, Str::SprContinue},
                {Ctl::ErrorSPR::Cancel, Str::Cancel}});
}

void KIVErrorSPR::onCancel() {
    endPage(PageSecond);
}

void KIVErrorSPR::onClose() {
    endPage(PageSecond);
}
