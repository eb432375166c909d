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

PageOutcome DialogPageHost::show(const PageRequest& request, WizardContext& context) {
    PageOutcome outcome{PageNotCreated, {}, {}};
    WizardContext* ctx = &context;
    std::unique_ptr<WizardPage> page;
    KIVSelectDevice* select = nullptr;
    switch (request.kind) {
    case PageKind::Welcome:
        page.reset(new KIVWelcome(ctx, resources_));
        break;
    case PageKind::Licence:
        page.reset(new KIVEula(ctx, resources_));
        break;
    case PageKind::SelectDevice:
        select = new KIVSelectDevice(ctx, resources_);
        page.reset(select);
        break;
    case PageKind::SelectAddress:
        page.reset(new KIVSelectIP(ctx, resources_));
        break;
    case PageKind::Progress:
        page.reset(new KIVStatus(ctx, resources_, true));
        break;
    case PageKind::Result:
        page.reset(new KIVUpdate(ctx, resources_, request.lastDevice));
        break;
    case PageKind::Summary:
        page.reset(new KIVFinish(ctx, resources_));
        break;
    case PageKind::Error:
        page.reset(new KIVError(ctx, resources_, request.errorKind));
        break;
    case PageKind::ErrorSPR:
        page.reset(new KIVErrorSPR(ctx, resources_));
        break;
    case PageKind::ErrorRevision:
        page.reset(new KIVErrorRev(ctx, resources_));
        break;
    }
    if (!page)
        return outcome;
    outcome.result = page->runModal();
    if (select) {
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
