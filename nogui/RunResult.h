// How the console update mode combines and describes its results.
#pragma once

#include "ModeResults.h"

#include <cstdint>
#include <vector>

// One result for the whole run, from the result of every printer and every
// -d entry. Problems with a printer that was meant to be flashed come first,
// most serious first: failed update, unreachable, revision mismatch, consent
// needed. Otherwise printers that were left out: their common result when
// they all share one, ResultSeveralNotUpdated when they differ. ResultOk when
// nothing went wrong.
int32_t combineResults(const std::vector<int32_t>& results);

// A short English description of a result, for the console summary.
const wchar_t* describeResult(int32_t result);
