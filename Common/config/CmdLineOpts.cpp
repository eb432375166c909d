#include "CmdLineOpts.h"

#include "MethodTrace.h"
#include "TextCase.h"

#include <cwchar>

namespace {

// Reads like the runtime's wide-text-to-integer conversion: leading blanks and
// a sign, digits up to the first other character, 0 without digits.
int32_t toInt(const wchar_t* text) {
    long value = std::wcstol(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// 1 sets a switch, 2 clears it; anything else is invalid.
bool applySwitch(const wchar_t* value, bool& flag) {
    int32_t n = toInt(value);
    if (n != 1 && n != 2)
        return false;
    flag = n == 1;
    return true;
}

const wchar_t* knownOption(const std::wstring& text) {
    static const wchar_t* const kOptions[] = {L"-m",     L"-l",      L"-e", L"-f",
                                              L"-check", L"-dialog", L"-d", L"-report"};
    for (const wchar_t* name : kOptions)
        if (text == name)
            return name;
    return nullptr;
}

bool containsExe(const std::wstring& text) {
    return upperAscii(text).find(L".EXE") != std::wstring::npos;
}

} // namespace

CmdLineOpts::CmdLineOpts()
    : appMode_(1), errors_(false), force_(true), checkOnly_(false), dialogNum_(0),
      deviceListGiven_(false) {
    MethodTrace trace(LogKIVInit, L"CmdLineOpts::CmdLineOpts(): ");
}

CmdLineOpts::~CmdLineOpts() {
    MethodTrace trace(LogKIVInit, L"CmdLineOpts::~CmdLineOpts(): ");
}

bool CmdLineOpts::parseCmdLine(int argc, const wchar_t* const* argv) {
    MethodTrace trace(LogKIVInit, L"CmdLineOpts::parseCmdLine: ");
    bool bad = false;
    auto arg = [&](int i) -> const wchar_t* {
        return (argv && i >= 0 && i < argc && argv[i]) ? argv[i] : L"";
    };

    // Argument 0 is the program however it was started: a command prompt
    // passes the name as typed, often without its extension.
    appPath_ = arg(0);
    if (!containsExe(appPath_))
        appPath_ = L"Not Provided";
    trace.message(L"App path: ", appPath_);

    notUnderstood_.clear();
    int pos = 1;
    while (pos < argc) {
        std::wstring current = arg(pos);
        const wchar_t* option = knownOption(current);
        if (!option) {
            bad = true;
            // An unknown argument takes the next one as its value, unless that
            // is an option of ours: an installer's own switch must not cost
            // the user the option after it.
            const bool nextIsOption = knownOption(arg(pos + 1)) != nullptr;
            trace.message(L"Invalid command line argument!: ", current, L" ",
                          nextIsOption ? L"" : arg(pos + 1));
            notUnderstood_.push_back(
                nextIsOption || pos + 1 >= argc ? current : current + L" " + arg(pos + 1));
            pos += nextIsOption ? 1 : 2;
            continue;
        }
        trace.message(L"CL option: ", option, L": ", arg(pos + 1));
        if (pos + 1 >= argc) {
            trace.message(L"Param without argument!: ", option);
            takeSafeReading(current);
            noteIgnoredCheck(trace);
            return false;
        }
        // An option of ours is never another one's value: "-e -check 1"
        // lacks the value of -e and still asks for a check.
        if (knownOption(arg(pos + 1))) {
            bad = true;
            trace.message(L"Param without argument!: ", option);
            takeSafeReading(current);
            pos += 1;
            continue;
        }
        if (!applyOption(current, arg(pos + 1))) {
            bad = true;
            trace.message(L"Invalid command line argument!: ", current, L" ", arg(pos + 1));
            takeSafeReading(current);
        }
        pos += 2;
    }
    if (!bad)
        trace.message(L"Command line parsing successful!");
    noteIgnoredCheck(trace);
    return !bad;
}

// An option given without a value we can read: -check still checks (reading
// it as "update" would flash every printer found), and -d names no printer
// rather than every printer.
void CmdLineOpts::takeSafeReading(const std::wstring& option) {
    if (option == L"-check")
        checkOnly_ = true;
    else if (option == L"-d")
        deviceListGiven_ = true;
}

// Only the console mode can check without updating; the wizard's pages have
// no such run, and a caller reading the log must see that it was not done.
void CmdLineOpts::noteIgnoredCheck(MethodTrace& trace) {
    if (checkOnly_ && appMode_ != 2)
        trace.message(L"Check-only run (-check 1) ignored: the wizard (mode ", appMode_,
                      L") updates as usual");
}

bool CmdLineOpts::applyOption(const std::wstring& option, const wchar_t* value) {
    if (option == L"-m") {
        int32_t mode = toInt(value);
        if (mode < 1 || mode > 3)
            return false;
        appMode_ = mode;
        return true;
    }
    // Installers pass -l; its value is checked like the other switches, but
    // nothing in the program depends on it.
    if (option == L"-l") {
        bool ignored = false;
        return applySwitch(value, ignored);
    }
    if (option == L"-e")
        return applySwitch(value, errors_);
    if (option == L"-f")
        return applySwitch(value, force_);
    if (option == L"-check")
        return applySwitch(value, checkOnly_);
    if (option == L"-dialog") {
        int32_t number = toInt(value);
        if (number < 0)
            return false;
        dialogNum_ = number;
        return true;
    }
    if (option == L"-report") {
        if (*value == L'\0')
            return false;
        reportPath_ = value;
        return true;
    }
    // -d: consecutive commas count as one; a lone blank is no device.
    deviceListGiven_ = true;
    std::wstring list(value);
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(L',', start);
        size_t end = comma == std::wstring::npos ? list.size() : comma;
        std::wstring item = list.substr(start, end - start);
        if (!item.empty() && item != L" ")
            deviceList_.push_back(item);
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    return true;
}

int32_t CmdLineOpts::getAppMode() {
    return loggedResult(LogKIVInit, L"CmdLineOpts::getAppMode", appMode_);
}

bool CmdLineOpts::getErrors() {
    return loggedResult(LogKIVInit, L"CmdLineOpts::getErrors", errors_);
}

bool CmdLineOpts::getForceMode() {
    return loggedResult(LogKIVInit, L"CmdLineOpts::getForceMode", force_);
}

bool CmdLineOpts::getCheckOnly() {
    return loggedResult(LogKIVInit, L"CmdLineOpts::getCheckOnly", checkOnly_);
}

int32_t CmdLineOpts::getDialogNum() {
    return loggedResult(LogKIVInit, L"CmdLineOpts::getDialogNum", dialogNum_);
}

std::vector<std::wstring>& CmdLineOpts::getDeviceList() {
    logLine(LogKIVInit, L"CmdLineOpts::getDeviceList: ");
    return deviceList_;
}
