#include "ExitCodes.h"

bool isForcedExitCode(uint32_t value) {
    return value <= 11;
}

int exitCodeForModeResult(int32_t result) {
    switch (result) {
    case 24: // -d address matched no device
        return 2;
    case 18: // named device incompatible, address device
        return 3;
    case 11:
        return 5;
    case 12:
        return 6;
    case 16: // last device skipped: package not newer
        return 7;
    case 17: // several devices skipped, invalid or incompatible
        return 8;
    case 25: // -d name matched no device
        return 9;
    case 19: // named device incompatible, other type
        return 10;
    case 13:
        return 11;
    default:
        return ExitModeFailed;
    }
}
