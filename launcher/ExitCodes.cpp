#include "ExitCodes.h"

#include "ModeResults.h"

bool isForcedExitCode(uint32_t value) {
    return value <= 11;
}

int exitCodeForModeResult(int32_t result) {
    switch (result) {
    case ResultAddressUnmatched:
        return 2;
    case ResultIncompatibleAddress:
        return 3;
    case ResultConsentNeeded:
        return 5;
    case ResultRevisionMismatch:
        return 6;
    case ResultUpToDate:
        return 7;
    case ResultSeveralNotUpdated:
        return 8;
    case ResultNameUnmatched:
        return 9;
    case ResultIncompatible:
        return 10;
    case ResultUnreachable:
        return 11;
    default:
        return ExitModeFailed;
    }
}
