// Who may flash a printer now, behind a seam: the engine asks before it sends
// anything that changes the printer, and keeps the answer for the update.
#pragma once

#include <memory>

class KIVDevice;

class PrinterLocks {
public:
    virtual ~PrinterLocks() {}
    // A hold on the printer for as long as the result lives; null while
    // another update (of this run or another) holds it.
    virtual std::shared_ptr<void> take(const KIVDevice& device) = 0;

    // Named system mutexes, shared by every run on the machine.
    static PrinterLocks& system();
};
