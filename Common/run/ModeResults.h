// The results of an update mode's run, as the launcher turns them into exit
// codes. The console mode and the wizard use the same number where a result
// means the same.
#pragma once

#include <cstdint>
#include <vector>

enum RunResult : int32_t {
    ResultOk = 0,
    ResultPagesMissing = 3,         // the wizard has no language library, or it lacks a page
    ResultConsentNeeded = 11,       // a firmware-letter change needs the user's consent
    ResultRevisionMismatch = 12,    // the printer refuses this firmware revision
    ResultUnreachable = 13,         // the printer does not answer (or none was found)
    ResultUpdateFailed = 14,        // the flash or its verification failed
    ResultUpToDate = 16,            // skipped: the package is not newer (-f 2)
    ResultSeveralNotUpdated = 17,   // printers left out for different reasons
    ResultIncompatibleAddress = 18, // a printer found at an address does not fit the package
    ResultIncompatible = 19,        // any other printer that does not fit the package
    ResultUpdateDue = 20,           // check only: a printer's firmware is older than the package's
    ResultAddressUnmatched = 24,    // a -d address where no fitting printer answered
    ResultNameUnmatched = 25,       // a -d name that matched no printer
    ResultLicenceDeclined = 32,     // the user declined the licence
};

// One result for the whole run, from the result of every printer and every
// -d entry. Problems with a printer that was meant to be flashed come first,
// most serious first: failed update, unreachable, revision mismatch, consent
// needed. Otherwise printers that were left out: their common result when
// they all share one, ResultSeveralNotUpdated when they differ. ResultOk when
// nothing went wrong.
int32_t combineResults(const std::vector<int32_t>& results);
