// The seam between the wizard's flow and its pages: "show page X with these
// inputs", answered with the page's result. The flow is tested against a
// scripted host; the program uses the dialog pages (DialogPageHost).
#pragma once

#include "KIVDevice.h"

#include <cstdint>
#include <vector>

class WizardContext;

enum class PageKind {
    Welcome,
    Licence,
    SelectDevice,
    SelectAddress,
    Progress,
    Result,
    Summary,
    Error,
    ErrorSPR,
    ErrorRevision,
};

// Modal results of a page. A page that could not be created (its template is
// missing from the language library) answers PageNotCreated.
enum PageResult : int32_t {
    PageNotCreated = -1,
    PageConfirm = 1,
    PageSecond = 2,
    PageClosed = 8,
};

struct PageRequest {
    PageKind kind;
    int32_t errorKind; // Error page only
    bool lastDevice;   // Result page only

    explicit PageRequest(PageKind k, int32_t error = 0, bool last = false)
        : kind(k), errorKind(error), lastDevice(last) {}
};

struct PageOutcome {
    int32_t result;
    // Select-device page: the marked list indexes, ascending, and the
    // printers on those rows. The printers are what counts: the context's
    // list may have changed since the rows were filled.
    std::vector<int32_t> selection;
    std::vector<KIVDevice> chosen;
};

class PageHost {
public:
    virtual ~PageHost() {}
    virtual PageOutcome show(const PageRequest& request, WizardContext& context) = 0;
    // Whether the page can be made at all (its template is there), asked
    // before anything is started that the page would have to watch.
    virtual bool canShow(PageKind) const { return true; }
};
