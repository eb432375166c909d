#include "DialogPageHost.h"

#include "KIVError.h"
#include "KIVErrorRev.h"
#include "KIVErrorSPR.h"
#include "KIVEula.h"
#include "KIVFinish.h"
#include "KIVSelectDevice.h"
#include "KIVSelectIP.h"
#include "KIVStatus.h"
#include "KIVUpdate.h"
#include "KIVWelcome.h"
#include "PageControls.h"

#include <memory>

namespace {

std::unique_ptr<WizardPage> makePage(const PageRequest& request, WizardContext* ctx,
                                     HMODULE resources) {
    switch (request.kind) {
    case PageKind::Welcome:
        return std::make_unique<KIVWelcome>(ctx, resources);
    case PageKind::Licence:
        return std::make_unique<KIVEula>(ctx, resources);
    case PageKind::SelectDevice:
        return std::make_unique<KIVSelectDevice>(ctx, resources);
    case PageKind::SelectAddress:
        return std::make_unique<KIVSelectIP>(ctx, resources);
    case PageKind::Progress:
        return std::make_unique<KIVStatus>(ctx, resources, true);
    case PageKind::Result:
        return std::make_unique<KIVUpdate>(ctx, resources, request.lastDevice);
    case PageKind::Summary:
        return std::make_unique<KIVFinish>(ctx, resources);
    case PageKind::Error:
        return std::make_unique<KIVError>(ctx, resources, request.errorKind);
    case PageKind::ErrorSPR:
        return std::make_unique<KIVErrorSPR>(ctx, resources);
    case PageKind::ErrorRevision:
        return std::make_unique<KIVErrorRev>(ctx, resources);
    }
    return nullptr;
}

} // namespace

PageOutcome DialogPageHost::show(const PageRequest& request, WizardContext& context) {
    PageOutcome outcome{PageNotCreated, {}, {}};
    std::unique_ptr<WizardPage> page = makePage(request, &context, resources_);
    if (!page)
        return outcome;
    outcome.result = page->runModal();
    if (request.kind == PageKind::SelectDevice) {
        const auto* select = static_cast<const KIVSelectDevice*>(page.get());
        outcome.selection = select->selection();
        outcome.chosen = select->chosen();
    }
    return outcome;
}

bool DialogPageHost::canShow(PageKind kind) const {
    static const struct {
        PageKind kind;
        uint16_t page;
    } templates[] = {
        {PageKind::Welcome, Tpl::Welcome},           {PageKind::Licence, Tpl::Licence},
        {PageKind::SelectDevice, Tpl::SelectDevice}, {PageKind::SelectAddress, Tpl::SelectAddress},
        {PageKind::Progress, Tpl::Progress},         {PageKind::Result, Tpl::Result},
        {PageKind::Summary, Tpl::Summary},           {PageKind::Error, Tpl::Error},
        {PageKind::ErrorSPR, Tpl::ErrorSPR},         {PageKind::ErrorRevision, Tpl::ErrorRevision},
    };
    for (const auto& entry : templates)
        if (entry.kind == kind)
            return ::FindResourceW(resources_, MAKEINTRESOURCEW(entry.page), RT_DIALOG) != nullptr;
    return false;
}
