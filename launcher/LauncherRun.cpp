#include "LauncherRun.h"

#include "BasicLogger.h"
#include "ConsoleLine.h"
#include "ConsoleVisibility.h"
#include "Exception.h"
#include "ExitCodes.h"
#include "IUpdateMode.h"
#include "KIVOptions.h"
#include "MethodTrace.h"
#include "MsgText.h"
#include "PackageResources.h"
#include "ReportFile.h"
#include "ScopedHandle.h"
#include "SystemUser32.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <iostream>
#include <vector>

namespace {

const wchar_t* const kBrandKeys[] = {L"Software\\Tavrin", L"Software\\Oskel"};

// One brand key's "KivRetCode". A value that is there but not a 4-byte number
// is remembered for the log, which is not up yet.
bool readBrandExitCode(const wchar_t* brandKey, int& code, std::vector<std::wstring>& ignored) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, brandKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    ScopedRegKey key(raw);
    uint32_t value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof(value);
    LONG rc = ::RegQueryValueExW(key.get(), L"KivRetCode", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
        return false;
    if (rc == ERROR_MORE_DATA || isMalformedForcedExitValue(type, size)) {
        MsgText line;
        line << L"KivRetCode ignored: not a 4-byte number: Key=" << brandKey << L", type="
             << static_cast<uint32_t>(type) << L", size=" << static_cast<uint32_t>(size);
        ignored.push_back(line.str());
        return false;
    }
    if (!isForcedExitValue(type, size, value))
        return false;
    code = static_cast<int>(value);
    return true;
}

// How many processes share this program's console; 0 when that cannot be told.
uint32_t processesOnConsole() {
    DWORD ids[4];
    return ::GetConsoleProcessList(ids, 4);
}

BOOL WINAPI ignoreInterrupt(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

} // namespace

uint32_t embeddedPackageSize(uint16_t id) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceExW(self, RT_RCDATA, MAKEINTRESOURCEW(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return res ? ::SizeofResource(self, res) : 0;
}

LauncherRun::LauncherRun(int argc, const wchar_t* const* argv) : argc_(argc), argv_(argv) {}

LauncherRun::~LauncherRun() {}

int runAtBoundary(const std::function<int()>& steps) {
    try {
        return steps();
    } catch (const std::exception& e) {
        logLine(LogKIVInit, L"Error: KIV execution stopped by an unexpected error: ", e.what());
    } catch (const Exception& e) {
        logLine(LogKIVInit, L"Error: KIV execution stopped by an unexpected error: ",
                e.getMessage(), L" ", e.getCodeText());
    } catch (...) {
        logLine(LogKIVInit, L"Error: KIV execution stopped by an unexpected error");
    }
    return ExitModeFailed;
}

int LauncherRun::run() {
    // Left to the runtime, an exception would abort the process with the exit
    // code that tells an installer a printer does not fit.
    return runAtBoundary([this] { return runSteps(); });
}

int LauncherRun::runSteps() {
    startTime_ = static_cast<int64_t>(std::time(nullptr));
    int forced = 0;
    if (readForcedExitCode(forced))
        return forced; // nothing else happens, not even logging
    bringUpLogger();
    logLine(LogKIVInit, L"Beginning KIV execution...");
    logIgnoredForcedExitValues();
    if (!initDialogFramework()) {
        std::printf("Fatal Error: MFC initialization failed\n");
        std::fflush(stdout);
        return finish(ExitFrameworkFailed, true);
    }
    readCommandLine();
    const std::wstring& reportPath = options_->getReportPath();
    if (!reportPath.empty() && removeEarlierReport(reportPath))
        logLine(LogKIVInit, L"Earlier report removed: ", reportPath);
    setConsoleVisibility();
    bool closingLines = false;
    int code = ExitModeFailed;
    if (unpackPackages()) {
        pointAtConfig();
        code = runUpdateMode(closingLines);
    }
    writeReport(code);
    return finish(code, closingLines);
}

bool LauncherRun::readForcedExitCode(int& code) {
    for (const wchar_t* brandKey : kBrandKeys)
        if (readBrandExitCode(brandKey, code, ignoredForcedExit_))
            return true;
    return false;
}

void LauncherRun::logIgnoredForcedExitValues() {
    for (const std::wstring& line : ignoredForcedExit_)
        logLine(LogKIVInit, line);
}

void LauncherRun::bringUpLogger() {
    logger_.reset(makeBasicLogger());
}

bool LauncherRun::initDialogFramework() {
    // The window libraries belong to the wizard: KIVWizard.dll registers the
    // common controls when a wizard run starts, and a console run loads none
    // of them. What every mode needs of the framework is the program's own
    // module, whose resources hold the packages.
    return ::GetModuleHandleW(nullptr) != nullptr;
}

void LauncherRun::readCommandLine() {
    options_.reset(new KIVOptions());
    cfgIniPath_.reset(new std::wstring());
    // Bad arguments are reported in the log; the run goes on with what was recognised.
    options_->parseCmdLine(argc_, argv_);
}

void LauncherRun::setConsoleVisibility() {
    if (ignoresConsoleInterrupts(options_->getAppMode()))
        ::SetConsoleCtrlHandler(&ignoreInterrupt, TRUE);
    HWND console = ::GetConsoleWindow();
    if (!console || !shouldHideConsole(options_->getAppMode(), processesOnConsole()))
        return;
    // A console of its own that stays attached ends the program when its
    // window is closed, in the middle of a flash too, and a terminal that
    // hosts it may not hide at all: the wizard lets go of it. Standard
    // handles that are pipes or files (an installer's) stay usable. A page
    // preview shows the console again, so there it is only hidden.
    if (options_->getDialogNum() == 0 && ::FreeConsole())
        return;
    // Only a wizard run hides its window, and only a wizard run needs user32.
    typedef BOOL(WINAPI * ShowWindowFn)(HWND, int);
    HMODULE user32 = systemUser32();
    ShowWindowFn show = user32 ? getProcAddressAs<ShowWindowFn>(user32, "ShowWindow") : nullptr;
    if (show)
        show(console, SW_HIDE);
}

// Without its files no mode can run, and a wizard run has no window of its
// own yet: whoever started the program is told here, also when the log is off
// (a temporary folder that is missing or full, or a policy that forbids
// programs there, is no rare thing on a managed machine).
bool LauncherRun::unpackPackages() {
    if (options_->getRsrcMgr().initialize(embeddedPackageSize(KIV_COMMON_PACKAGE_RESOURCE),
                                          embeddedPackageSize(KIV_MAIN_PACKAGE_RESOURCE)) == 0)
        return true;
    const std::wstring text =
        L"KIV: its files could not be unpacked into the temporary folder; nothing was updated. "
        L"The folder may be missing or full, or a policy may forbid programs there.";
    logLine(LogKIVInit, text);
    writeTolerantLine(std::wcout, text);
    if (ignoresConsoleInterrupts(options_->getAppMode()) && options_->getDialogNum() == 0)
        showErrorBox(text);
    return false;
}

void LauncherRun::pointAtConfig() {
    *cfgIniPath_ = options_->getRsrcMgr().getPackagePath() + L"config.ini";
    options_->setCfgIniPath(*cfgIniPath_);
}

int LauncherRun::runUpdateMode(bool& closingLines) {
    closingLines = false;
    int32_t rc = 0;
    IUpdateMode* mode = IUpdateMode::makeUpdateMode(options_.get(), &rc);
    if (!mode) {
        logLine(LogKIVInit, L"Error creating update mode: rc=", rc);
        return ExitModeFailed;
    }
    // On the failure paths below the mode and its library stay as they are
    // until the process ends.
    int32_t init = mode->initialize(options_.get());
    if (init != 0) {
        logLine(LogKIVInit, L"Error initializng update mode: rc=", init);
        return ExitModeFailed;
    }
    int32_t result = mode->executeUpdateMode(options_.get());
    if (result != 0)
        return exitCodeForModeResult(result);
    if (!IUpdateMode::freeUpdateModeLib(mode, options_.get()))
        return ExitModeFailed;
    closingLines = true;
    return ExitSuccess;
}

// The report tells what happened; whether it could be written has no say in
// the exit code, which tells the update's own result.
void LauncherRun::writeReport(int exitCode) {
    const std::wstring& path = options_->getReportPath();
    if (path.empty())
        return;
    RunReport& report = options_->getReport();
    report.setProgramVersion(KIV_PROGRAM_VERSION);
    report.setMode(options_->getAppMode());
    report.setStart(startTime_);
    report.setEnd(static_cast<int64_t>(std::time(nullptr)));
    report.setExit(exitCode, exitCodeMeaning(exitCode));
    std::wstring problem;
    try {
        if (writeReportFile(path, report.toJson(), problem)) {
            logLine(LogKIVInit, L"Report written: ", path);
            return;
        }
    } catch (const std::exception& e) {
        problem = L"it could not be made (" +
                  std::wstring(e.what(), e.what() + std::strlen(e.what())) + L")";
    }
    const std::wstring line = L"Report not written: " + path + L": " + problem;
    logLine(LogKIVInit, line);
    writeTolerantLine(std::wcout, line);
}

int LauncherRun::finish(int exitCode, bool closingLines) {
    cfgIniPath_.reset();
    options_.reset();
    if (closingLines) {
        logLine(LogKIVInit, L"KIV execution complete");
        logLine(LogKIVInit, L"");
    }
    logger_.reset();
    return exitCode;
}
