#include "StatusMessenger.h"

#include "ConsoleLine.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"

#include <ostream>

StatusMessenger::StatusMessenger(std::wostream& out, const LoggerComponent& component)
    : out_(out), component_(component) {
    MethodTrace trace(component_, L"StatusMessenger::StatusMessenger(): ");
}

StatusMessenger::~StatusMessenger() {
    MethodTrace trace(component_, L"StatusMessenger::~StatusMessenger(): ");
}

const wchar_t* StatusMessenger::errorName(int32_t errorCode) {
    static const struct {
        int32_t code;
        const wchar_t* name;
    } names[] = {{NoError, L""},
                 {ErrorBadFW, L"ErrorBadFW"},
                 {ErrorIPNoPrinter, L"ErrorIPNoPrinter"},
                 {ErrorIPWrongPrinter, L"ErrorIPWrongPrinter"},
                 {ErrorUpdateFailed, L"ErrorUpdateFailed"},
                 {DeviceAlreadyUpToDate, L"DeviceAlreadyUpToDate"},
                 {DeviceUpdateDue, L"DeviceUpdateDue"}};
    for (const auto& entry : names) {
        if (entry.code == errorCode)
            return entry.name;
    }
    return L"Miscellaneous Error";
}

std::wstring StatusMessenger::formatLine(const std::wstring& deviceName, bool failed,
                                         int32_t errorCode) {
    // A name read from a device may carry a terminator inside the text; the
    // line ends the name there, as a C string would.
    std::wstring line = L"Device: ";
    line += deviceName.substr(0, deviceName.find(L'\0'));
    line += L", Result: ";
    line += failed ? L"Failure" : L"Success";
    if (errorCode != NoError) {
        line += L", ErrorCode: ";
        line += errorName(errorCode);
    }
    return line;
}

void StatusMessenger::displayStatus(std::wstring deviceName, bool failed, int32_t errorCode,
                                    std::wstring* output) {
    MethodTrace trace(component_, L"StatusMessenger::displayStatus(): ");
    std::wstring line = formatLine(deviceName, failed, errorCode);
    if (output)
        *output = line;
    writeTolerantLine(out_, line);
    trace.message(line);
}
