#include "KIVFinish.h"

#include "KIVOptions.h"
#include "ListView.h"
#include "MethodTrace.h"
#include "PageTexts.h"
#include "PageControls.h"
#include "StringIds.h"
#include "WizardContext.h"

KIVFinish::KIVFinish(WizardContext* context, HMODULE resources)
    : WizardPage(Tpl::Summary, context, resources) {}

void KIVFinish::onInitDialog() {
    MethodTrace trace(LogGUIMode, L"KIVSummary::OnInitDialog(): ");
    trace.message(L"Open");
    setHeading(Ctl::Summary::Heading, Str::SummaryHeading, true);
    setStrings({{Ctl::Summary::Help, Str::SummaryHelp},
                {Ctl::Summary::NetworkHint, Str::SummaryNetworkHint},
                {Ctl::Summary::Retry, Str::Retry},
                {Ctl::Summary::Close, Str::Close}});
    HWND list = item(Ctl::Summary::List);
    listAddTwoColumns(list, text(Str::SummaryColumnPrinter), 249, text(Str::SummaryColumnResult),
                      200);
    KIVOptions& options = *context_->options;
    for (uint32_t i = 0; i < options.getDevListSize(); ++i) {
        trace.message(L"Summary List");
        KIVDevice device;
        options.getDeviceAt(i, device);
        listAddRow(list, static_cast<int>(i), deviceLabel(device),
                   text(outcomeString(device.getUpdateStatus())));
        trace.message(L"Summary List - Updated Device ", device.getName(), L" ver ",
                      device.getCurrVer());
    }
}

void KIVFinish::onCancel() {
    endPage(PageSecond);
}
