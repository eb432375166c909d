// Shows the wizard's pages as modal dialogs from the language library.
#pragma once

#include "PageHost.h"
#include "WindowsSupport.h"

class DialogPageHost : public PageHost {
public:
    explicit DialogPageHost(HMODULE resources) : resources_(resources) {}
    PageOutcome show(const PageRequest& request, WizardContext& context) override;
    bool canShow(PageKind kind) const override;

private:
    HMODULE resources_;
};
