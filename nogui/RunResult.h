// How the console update mode combines and describes its results.
#pragma once

#include "ModeResults.h"

#include <cstdint>
#include <vector>

// What a check-only run found out about one printer or -d entry; the outcome
// a report of such a run gives for it.
enum class CheckVerdict {
    NotChecked,   // an ordinary run: its result says what happened
    UpdateDue,    // fits the package and has older firmware
    UpToDate,     // fits the package and has its firmware or newer
    Incompatible, // does not fit the package, or would refuse its firmware
    NoAnswer,     // found or named by address, but it did not answer the check
    NotFound,     // a -d name or port name that matched no printer
};

// The verdict behind a printer's result and result-line error code in a
// check-only run.
CheckVerdict checkVerdict(int32_t result, int32_t errorCode);
const wchar_t* verdictText(CheckVerdict verdict);

// A check-only run answers first whether anything needs an update: any
// printer with older firmware makes it ResultUpdateDue, whatever else was
// found; otherwise the results combine as in an ordinary run (all up to date
// is ResultUpToDate, a printer that did not answer ResultUnreachable).
int32_t combineCheckResults(const std::vector<int32_t>& results);

// A short English description of a result, for the console summary.
const wchar_t* describeResult(int32_t result);
