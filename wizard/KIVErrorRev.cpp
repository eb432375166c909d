#include "KIVErrorRev.h"

#include "PageTexts.h"
#include "PageControls.h"
#include "StringIds.h"
#include "WizardContext.h"

KIVErrorRev::KIVErrorRev(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::ErrorRevision, context, resources) {}

void KIVErrorRev::onInitDialog() {
    setHeading(Ctl::ErrorRevision::Heading, Str::RevHeading, true);
    setText(Ctl::ErrorRevision::Device, text(Str::RevDevice) + L" " + context_->deviceVersion);
    setText(Ctl::ErrorRevision::Package, text(Str::RevPackage) + L" " + context_->packageVersion);
    // From the version itself: the label before it is translated text.
    setText(Ctl::ErrorRevision::Required,
            text(Str::RevRequired) + L" " + revisionLetter(context_->deviceVersion));
    setStrings(
        {{Ctl::ErrorRevision::Advice, Str::RevAdvice}, {Ctl::ErrorRevision::Ok, Str::RevOk}});
}

void KIVErrorRev::onClose() {}
