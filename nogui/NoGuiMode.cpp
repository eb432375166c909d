#include "NoGuiMode.h"

#include "CIniReader.h"
#include "ConsoleWindow.h"
#include "IUpdater.h"
#include "InstalledVersion.h"
#include "IpAddressCheck.h"
#include "KIVOptions.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "NoGuiRun.h"
#include "NoThrow.h"
#include "RunResult.h"
#include "StatusMessenger.h"
#include "WindowsSupport.h"

#include <cwchar>
#include <iostream>

namespace {

// The first value of a key as a whole number; -1 when absent or not a number.
long readNumber(KIVOptions* options, const wchar_t* key) {
    CIniReader ini;
    ini.setINIFileName(options->getConfigIniPath());
    std::wstring text;
    if (!ini.firstValue(key, text))
        return -1;
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    return end != text.c_str() ? value : -1;
}

uint32_t readBootSeconds(KIVOptions* options) {
    const long seconds = readNumber(options, L"BootTimeout");
    return seconds > 0 ? static_cast<uint32_t>(seconds) : 0;
}

// How many printers are updated at once: "ParallelUpdates" of config.ini.
// Each one in flight is a thread that mostly waits for its printer; the cap
// keeps a mistyped value from asking for thousands of them.
uint32_t readParallelUpdates(KIVOptions* options) {
    const uint32_t Default = 64, Cap = 64;
    const long value = readNumber(options, L"ParallelUpdates");
    if (value < 1)
        return Default;
    return value > static_cast<long>(Cap) ? Cap : static_cast<uint32_t>(value);
}

uint64_t monotonicMs() {
    return ::GetTickCount64();
}

} // namespace

// A run stopped somewhere unknown must not read as 0 to an installer.
NoGuiMode::NoGuiMode() : GuardedUpdateMode(7, ResultUpdateFailed), updater_(nullptr) {
    MethodTrace trace(LogNonGuiMode, L"NoGuiMode::NoGuiMode(): ");
}

NoGuiMode::~NoGuiMode() {
    noThrow([&] {
        MethodTrace trace(LogNonGuiMode, L"NoGuiMode::~NoGuiMode(): ");
        messenger_.reset();
        if (updater_ && !IUpdater::freeUpdaterLib(updater_))
            trace.message(L"Unable to free the Updater");
    });
    updater_ = nullptr;
}

int32_t NoGuiMode::initializeUnguarded(KIVOptions* options) {
    MethodTrace trace(LogNonGuiMode, L"NoGuiMode::initialize(): ");
    int32_t rc = 0;
    updater_ = IUpdater::makeUpdater(options, &rc);
    if (!updater_ || rc != 0) {
        trace.message(L"Unable to make an Updater! rc=", rc);
        std::wcout << L"KIV: the update engine could not be loaded." << std::endl;
        return rc != 0 ? rc : 7;
    }
    rc = updater_->initialize(options);
    if (rc != 0) {
        trace.message(L"Unable to initialize the Updater! rc=", rc);
        std::wcout << L"KIV: the printer communication library could not be loaded." << std::endl;
        return rc;
    }
    if (options->getErrors())
        messenger_.reset(new StatusMessenger(std::wcout));
    return 0;
}

int32_t NoGuiMode::executeUnguarded(KIVOptions* options) {
    MethodTrace trace(LogNonGuiMode, L"NoGuiMode::executeUpdateMode(): ");
    // A console window is redrawn in place; anything else gets whole lines.
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const bool interactive = ConsoleWindow::isConsole(out);
    ConsoleOutput console(std::wcout, interactive,
                          interactive ? ConsoleOutput::CursorUp([out](size_t lines) {
                              ConsoleWindow::cursorUp(out, lines);
                          })
                                      : ConsoleOutput::CursorUp(),
                          ConsoleWindow::columns(out));
    NoGuiRun::Environment env;
    env.updater = updater_;
    env.options = options;
    env.console = &console;
    env.messenger = messenger_.get();
    env.isIpAddress = [](const std::wstring& text) { return checkIpAddress(text) == 1; };
    env.clockMs = &monotonicMs;
    env.bootSeconds = readBootSeconds(options);
    env.parallel = readParallelUpdates(options);
    env.checkOnly = options->getCheckOnly();
    env.stopRequested = &ConsoleWindow::interrupted;
    trace.message(L"Printers updated at once=", env.parallel);

    NoGuiRun run(env);
    // Until the run has told every printer's outcome and written its record
    // and report, Ctrl+C only asks it to stop.
    struct Interrupts {
        Interrupts() { ConsoleWindow::catchInterrupts(true); }
        ~Interrupts() { ConsoleWindow::catchInterrupts(false); }
    } interrupts;
    const int32_t result = run.run();
    if (run.updatedCount() > 0) {
        trace.message(L"Store version in registry");
        // With -e 1 a failed record is a result line too.
        recordInstalledVersion(options, run.packageVersion(), messenger_ ? &std::wcout : nullptr);
    }
    run.fillReport(options->getReport());
    options->clearDeviceList();
    trace.setResult(std::to_wstring(result));
    return result;
}

extern "C" __declspec(dllexport) IUpdateMode* DllGetUpdateMode() {
    try {
        return new NoGuiMode();
    } catch (...) {
        return nullptr;
    }
}
