// One search for a printer at an address typed on the IP-entry page: the
// engine probes the address, and the answer is a copy of the printer found
// there or the reason there is none. It talks to the printer, so the page
// runs it on a worker thread.
#pragma once

#include "KIVDevice.h"

#include <memory>
#include <string>

class IUpdater;
class KIVOptions;

struct AddressSearch {
    enum Outcome {
        Found,        // a printer this package fits: device holds its copy
        WrongPrinter, // a printer answered that the package does not fit
        NoPrinter,    // nothing fitting answered
    };
    Outcome outcome;
    std::unique_ptr<KIVDevice> device;

    static AddressSearch run(IUpdater& updater, KIVOptions* options, const std::wstring& address);
};
