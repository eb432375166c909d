#include "KIVError.h"

#include "PageTexts.h"
#include "PageControls.h"
#include "StringIds.h"

namespace {}

KIVError::KIVError(WizardContext* context, HMODULE resources, int32_t kind)
    : WizardPage(Tpl::Error, context, resources), kind_(kind) {}

void KIVError::onInitDialog() {
    const ErrorTexts texts = errorTexts(kind_);
    if (!texts.known) {
        endPage(PageConfirm);
        return;
    }
    std::wstring body;
    if (texts.body != 0) {
        body = text(texts.body);
    } else {
        const std::wstring steps[4] = {text(Str::ErrStep1), text(Str::ErrStep2),
                                       text(Str::ErrStep3), text(Str::ErrStep4)};
        body = composeErrorBody(deviceLabel(currentDevice()), steps);
    }
    setHeading(Ctl::Error::Heading, texts.heading, true);
    setText(Ctl::Error::Body, body);
    setString(Ctl::Error::Continue, texts.button);
    if (texts.retryButton)
        setString(Ctl::Error::Retry, Str::Retry);
    showItem(Ctl::Error::Retry, texts.retryButton);
}

void KIVError::onCommand(int id, int) {
    if (id == Ctl::Error::Retry)
        endPage(PageSecond);
}

void KIVError::onClose() {}
