#include "PageTexts.h"

#include "KIVDevice.h"
#include "StringIds.h"

std::wstring deviceLabel(const KIVDevice& device) {
    switch (device.getType()) {
    case KIVDevice::TypeUsb:
        return device.getPortName();
    case KIVDevice::TypeIpAddress:
        return device.getIPAddress();
    // Several spooler ports may lead to printers of one model: every page,
    // the Summary's rows too, tells them apart by address.
    case KIVDevice::TypeNetwork:
        if (!device.getIPAddress().empty())
            return device.getName() + L" (" + device.getIPAddress() + L")";
        return device.getName();
    default:
        return device.getName();
    }
}

ErrorTexts errorTexts(int32_t kind) {
    switch (kind) {
    case 1:
        return {true, Str::ErrBadFileHeading, Str::ErrBadFileBody, Str::ErrContinue, false};
    case 2:
        return {true, Str::ErrNoPrinterHeading, Str::ErrNoPrinterBody, Str::ErrContinue, false};
    case 3:
        return {true, Str::ErrWrongPrinterHeading, Str::ErrWrongPrinterBody, Str::ErrContinue,
                false};
    case 4:
        return {true, Str::ErrUpdateHeading, 0, Str::ErrContinue, false};
    case 11:
        return {true, Str::ErrCommunicationHeading, 0, Str::Cancel, true};
    // A printer another update holds: no steps that turn it off.
    case 12:
        return {true, Str::ErrUpdateHeading, Str::ErrInUseBody, Str::ErrContinue, false};
    default:
        return {false, 0, 0, 0, false};
    }
}

std::wstring composeErrorBody(const std::wstring& label, const std::wstring steps[4]) {
    return label + L"\n\n" + steps[0] + L"\n" + steps[1] + L"\n" + steps[2] + L"\n" + steps[3];
}

uint32_t outcomeString(int32_t updateStatus) {
    switch (updateStatus) {
    case KIVDevice::Updated:
        return Str::Success;
    // Skipped, not failed: the Select-device page says the same of it.
    case KIVDevice::UpToDate:
        return Str::UpToDate;
    default:
        return Str::Failed;
    }
}

std::wstring revisionLetter(const std::wstring& version) {
    if (version.empty())
        return std::wstring();
    const size_t underscore = version.find(L'_');
    if (underscore == std::wstring::npos)
        return version.substr(0, 1);
    // A version ending in "_" has no letter after it.
    return version.substr(underscore + 1, 1);
}
