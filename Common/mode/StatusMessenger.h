// The machine-readable result line for one printer, as installers parse it:
// "Device: <name>, Result: Success|Failure[, ErrorCode: <name>]".
#pragma once

#include "LoggerComponent.h"

#include <cstdint>
#include <iosfwd>
#include <string>

class StatusMessenger {
public:
    // Error codes with a name of their own; every other non-zero code is
    // reported as "Miscellaneous Error".
    enum ErrorCode : int32_t {
        NoError = 0,
        ErrorBadFW = 1,
        ErrorIPNoPrinter = 2,
        ErrorIPWrongPrinter = 3,
        ErrorUpdateFailed = 4,
        DeviceAlreadyUpToDate = 7,
        DeviceUpdateDue = 8, // a check-only run found older firmware; nothing was sent
    };

    // Lines go to the given wide stream (the console in the real program);
    // the trace goes to the component of the mode that prints them.
    explicit StatusMessenger(std::wostream& out, const LoggerComponent& component = LogNonGuiMode);
    ~StatusMessenger();
    StatusMessenger(const StatusMessenger&) = delete;
    StatusMessenger& operator=(const StatusMessenger&) = delete;

    // Prints one line and flushes, so that a reader on a pipe sees it at once.
    // When output is not null it receives the line as well.
    void displayStatus(std::wstring deviceName, bool failed, int32_t errorCode,
                       std::wstring* output);

    static std::wstring formatLine(const std::wstring& deviceName, bool failed, int32_t errorCode);
    static const wchar_t* errorName(int32_t errorCode);

private:
    std::wostream& out_;
    const LoggerComponent& component_;
};
