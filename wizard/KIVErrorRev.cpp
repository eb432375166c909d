#include "KIVErrorRev.h"

#include "PageTexts.h"
#include "StringIds.h"
#include "WizardContext.h"

KIVErrorRev::KIVErrorRev(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::ErrorRevision, context, resources) {}

void KIVErrorRev::onInitDialog() {
    initCommon();
    setString(1038, Str::RevHeading);
    makeHeading(1038, true);
    setText(1039, text(Str::RevDevice) + L" " + context_->deviceVersion);
    setText(1040, text(Str::RevPackage) + L" " + context_->packageVersion);
    // From the version itself: the label before it is translated text.
    setText(1041, text(Str::RevRequired) + L" " + revisionLetter(context_->deviceVersion));
    setString(1042, Str::RevAdvice);
    setString(IDOK, Str::RevOk);
}

void KIVErrorRev::onClose() {}
