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

const wchar_t* exitCodeMeaning(int code) {
    switch (code) {
    case 0:
        return L"every printer the run set out to update was updated and verified";
    case 1:
        return L"the dialog framework could not be initialised";
    case 2:
        return L"no fitting printer answered at a listed address";
    case 3:
        return L"a printer found at a listed address does not fit this package";
    case 4:
        return L"an update failed, or the update mode could not run";
    case 5:
        return L"a firmware-letter change needs the user's consent";
    case 6:
        return L"the printer does not accept this firmware revision";
    case 7:
        return L"skipped: the printer already has this firmware or newer";
    case 8:
        return L"printers were left out for different reasons";
    case 9:
        return L"a listed name or port name matched no printer";
    case 10:
        return L"a listed printer does not fit this package";
    case 11:
        return L"a printer could not be reached, or no compatible printer was found";
    case 12:
        return L"check only: a printer needs an update; nothing was sent";
    default:
        return L"unknown";
    }
}
