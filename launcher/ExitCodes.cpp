#include "ExitCodes.h"

#include "ModeResults.h"

namespace {

const uint32_t kRegDword = 4; // REG_DWORD

} // namespace

bool isForcedExitCode(uint32_t value) {
    return value <= 11;
}

bool isMalformedForcedExitValue(uint32_t regType, uint32_t size) {
    return regType != kRegDword || size != sizeof(uint32_t);
}

bool isForcedExitValue(uint32_t regType, uint32_t size, uint32_t value) {
    return !isMalformedForcedExitValue(regType, size) && isForcedExitCode(value);
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
    case ResultUpdateDue:
        return 12;
    default:
        return ExitModeFailed;
    }
}
