// The results of the console update mode. The launcher turns them into exit
// codes; the numbers are the ones the wizard uses where they mean the same.
#pragma once

#include <cstdint>
#include <vector>

enum RunResult : int32_t {
    ResultOk = 0,
    ResultConsentNeeded = 11,       // a firmware-letter change needs the user's consent
    ResultRevisionMismatch = 12,    // the printer refuses this firmware revision
    ResultUnreachable = 13,         // the printer does not answer (or none was found)
    ResultUpdateFailed = 14,        // the flash or its verification failed
    ResultUpToDate = 16,            // skipped: the package is not newer (-f 2)
    ResultSeveralNotUpdated = 17,   // printers left out for different reasons
    ResultIncompatibleAddress = 18, // a printer found at an address does not fit the package
    ResultIncompatible = 19,        // any other printer that does not fit the package
    ResultAddressUnmatched = 24,    // a -d address where no fitting printer answered
    ResultNameUnmatched = 25,       // a -d name that matched no printer
};

// One result for the whole run, from the result of every printer and every
// -d entry. Problems with a printer that was meant to be flashed come first,
// most serious first: failed update, unreachable, revision mismatch, consent
// needed. Otherwise printers that were left out: their common result when
// they all share one, 17 when they differ. 0 when nothing went wrong.
int32_t combineResults(const std::vector<int32_t>& results);

// A short English description of a result, for the console summary.
const wchar_t* describeResult(int32_t result);
