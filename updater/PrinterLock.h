// Keeps two runs of the program, in any session and under any user, from
// flashing one printer at the same time: a printer that takes two images at
// once, or one run's commands between the other's steps, is a half-updated
// printer. The lock is a named system mutex for the printer's endpoint (its
// address and TCP port, or its USB device path), held for one update.
#pragma once

#include "KIVDevice.h"

#include <memory>
#include <string>

class Mutex;

class PrinterLock {
public:
    // Tries once, without waiting.
    explicit PrinterLock(const KIVDevice& device);
    ~PrinterLock();
    PrinterLock(const PrinterLock&) = delete;
    PrinterLock& operator=(const PrinterLock&) = delete;

    // False when another run (or another thread of this one) holds the
    // printer. A lock the system cannot make at all does not keep an update
    // from going ahead, as before there was a lock.
    bool held() const { return held_; }

    // The mutex name: a printer reached through a spooler port and by its
    // address is one endpoint, so the port name is left out.
    static std::wstring nameFor(const KIVDevice& device);

private:
    std::unique_ptr<Mutex> mutex_;
    bool held_;
};
