#include "RunResult.h"

#include "StatusMessenger.h"

#include <algorithm>

int32_t combineCheckResults(const std::vector<int32_t>& results) {
    if (std::find(results.begin(), results.end(), ResultUpdateDue) != results.end())
        return ResultUpdateDue;
    return combineResults(results);
}

CheckVerdict checkVerdict(int32_t result, int32_t errorCode) {
    switch (result) {
    case ResultUpdateDue:
        return CheckVerdict::UpdateDue;
    case ResultUpToDate:
        return CheckVerdict::UpToDate;
    case ResultIncompatible:
    case ResultIncompatibleAddress:
    case ResultRevisionMismatch: // refuses this package's firmware
    case ResultConsentNeeded:    // only with a consent this mode never gives
        return CheckVerdict::Incompatible;
    case ResultUnreachable:
        return CheckVerdict::NoAnswer;
    case ResultAddressUnmatched:
        // Something answered at the address, but not a printer this package fits.
        return errorCode == StatusMessenger::ErrorIPWrongPrinter ? CheckVerdict::Incompatible
                                                                 : CheckVerdict::NoAnswer;
    case ResultNameUnmatched:
        return CheckVerdict::NotFound;
    default:
        return CheckVerdict::NotChecked;
    }
}

const wchar_t* verdictText(CheckVerdict verdict) {
    switch (verdict) {
    case CheckVerdict::UpdateDue:
        return L"update due";
    case CheckVerdict::UpToDate:
        return L"up to date";
    case CheckVerdict::Incompatible:
        return L"incompatible";
    case CheckVerdict::NoAnswer:
        return L"no answer";
    case CheckVerdict::NotFound:
        return L"not found";
    default:
        return L"not checked";
    }
}

const wchar_t* describeResult(int32_t result) {
    switch (result) {
    case ResultOk:
        return L"every printer was updated and verified";
    case ResultConsentNeeded:
        return L"a firmware-letter change needs consent and was refused";
    case ResultRevisionMismatch:
        return L"a printer does not accept this firmware revision";
    case ResultUnreachable:
        return L"a printer could not be reached";
    case ResultUpdateFailed:
        return L"an update failed";
    case ResultUpdateDue:
        return L"a printer needs an update (check only: nothing was sent)";
    case ResultUpToDate:
        return L"a printer already has this firmware or newer";
    case ResultSeveralNotUpdated:
        return L"several printers were left out for different reasons";
    case ResultIncompatibleAddress:
    case ResultIncompatible:
        return L"a listed printer does not fit this package";
    case ResultAddressUnmatched:
        return L"no fitting printer answered at a listed address";
    case ResultNameUnmatched:
        return L"a listed printer name matched no printer";
    default:
        return L"unexpected result";
    }
}
