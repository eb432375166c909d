#include "KIVError.h"

#include "PageTexts.h"
#include "StringIds.h"

namespace {
const int kRetryButton = 1066;
}

KIVError::KIVError(WizardContext* context, HMODULE resources, int32_t kind)
    : WizardPage(Tpl::Error, context, resources), kind_(kind) {}

void KIVError::onInitDialog() {
    initCommon();
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
    setString(1039, texts.heading);
    makeHeading(1039, true);
    setText(1038, body);
    setString(IDOK, texts.button);
    if (texts.retryButton)
        setString(kRetryButton, Str::Retry);
    showItem(kRetryButton, texts.retryButton);
}

void KIVError::onCommand(int id, int) {
    if (id == kRetryButton)
        endPage(PageSecond);
}

void KIVError::onClose() {}
