#include "RunReport.h"

#include "ModeResults.h"

#include <cstdio>

RunReport::RunReport() : mode_(0), checkOnly_(false), start_(0), end_(0), exitCode_(0) {}

RunReport::~RunReport() {}

RunReport::Outcome RunReport::outcomeOf(int32_t runResult) {
    switch (runResult) {
    case ResultOk:
        return Updated;
    case ResultUpToDate:
        return UpToDate;
    case ResultUpdateDue:
        return UpdateDue;
    case ResultUnreachable:
        return Unreachable;
    // The printer refuses what this package carries, or its change could
    // not be agreed to: nothing was flashed, nothing broke.
    case ResultIncompatible:
    case ResultIncompatibleAddress:
    case ResultRevisionMismatch:
    case ResultConsentNeeded:
        return Incompatible;
    case ResultAddressUnmatched:
    case ResultNameUnmatched:
        return NotFound;
    default:
        return Failed;
    }
}

void RunReport::addPrinter(const Printer& printer) {
    std::lock_guard<std::mutex> guard(lock_);
    printers_.push_back(printer);
}

std::vector<RunReport::Printer> RunReport::printers() const {
    std::lock_guard<std::mutex> guard(lock_);
    return printers_;
}

std::string RunReport::isoUtc(int64_t unixSeconds) {
    // Days to a civil date in the proleptic Gregorian calendar, counted in
    // 400-year eras so that no C library time zone or range gets involved.
    int64_t days = unixSeconds / 86400;
    int64_t secs = unixSeconds % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof(text), "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ",
                  static_cast<long long>(year), static_cast<long long>(month),
                  static_cast<long long>(day), static_cast<long long>(secs / 3600),
                  static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
    return text;
}
