#include "KIVErrorSPR.h"

#include "StringIds.h"

KIVErrorSPR::KIVErrorSPR(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::ErrorSPR, context, resources) {}

void KIVErrorSPR::onInitDialog() {
    initCommon();
    setString(1039, Str::SprHeading);
    makeHeading(1039, false);
    setString(1038, Str::SprBody);
    setString(IDOK, Str::SprContinue);
    setString(IDCANCEL, Str::Cancel);
}

void KIVErrorSPR::onCancel() {
    endPage(PageSecond);
}

void KIVErrorSPR::onClose() {
    endPage(PageSecond);
}
