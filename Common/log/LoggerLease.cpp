#include "LoggerLease.h"

#include "BasicLogger.h"

#include <mutex>

namespace {

std::mutex leaseLock;
int leases = 0;
BasicLogger* leasedLogger = nullptr; // brought up by the first lease, or null

} // namespace

LoggerLease::LoggerLease() {
    std::lock_guard<std::mutex> guard(leaseLock);
    if (leases++ > 0)
        return;
    try {
        // Bring-up reads the log switch again and would switch off the
        // logging of a logger that someone else brought up.
        if (!BasicLogger::hasInstance())
            leasedLogger = makeBasicLogger();
    } catch (...) {
        leasedLogger = nullptr; // the library works on without a log
    }
}

LoggerLease::~LoggerLease() {
    std::lock_guard<std::mutex> guard(leaseLock);
    if (--leases > 0)
        return;
    delete leasedLogger;
    leasedLogger = nullptr;
}

int LoggerLease::count() {
    std::lock_guard<std::mutex> guard(leaseLock);
    return leases;
}
