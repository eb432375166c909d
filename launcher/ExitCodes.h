// How a run's result becomes the process exit code that installers rely on.
// No OS calls.
#pragma once

#include <cstdint>

enum LauncherExitCode : int {
    ExitSuccess = 0,
    ExitFrameworkFailed = 1,
    ExitModeFailed = 4,
};

// A forced exit code from the registry is honoured only in the range of an
// update run's codes, 0 to 11. A check-only run's 12 stays out of it: a
// machine that holds 12 today runs normally, and must go on doing so.
bool isForcedExitCode(uint32_t value);

// Whether a "KivRetCode" registry value forces the exit code: only a 4-byte
// number (REG_DWORD) in that range does. Anything else, an empty string
// included, must not end a run silently.
bool isForcedExitValue(uint32_t regType, uint32_t size, uint32_t value);
// Whether a value that is there was ignored for its type or size (worth a
// log line), as opposed to a number outside the range.
bool isMalformedForcedExitValue(uint32_t regType, uint32_t size);

// The exit code for a non-zero result of executeUpdateMode.
int exitCodeForModeResult(int32_t result);

// What an exit code tells a caller, in a few words, for the run's report.
const wchar_t* exitCodeMeaning(int code);
