// How a run's result becomes the process exit code that installers rely on.
// No OS calls.
#pragma once

#include <cstdint>

enum LauncherExitCode : int {
    ExitSuccess = 0,
    ExitFrameworkFailed = 1,
    ExitModeFailed = 4,
};

// A forced exit code from the registry is honoured only in the range that a
// run itself can produce.
bool isForcedExitCode(uint32_t value);

// The exit code for a non-zero result of executeUpdateMode.
int exitCodeForModeResult(int32_t result);
