#include "NoGuiMode.h"

#include "CIniReader.h"
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

// A console window is redrawn in place; a file or a pipe gets whole lines.
bool stdoutIsConsole() {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) == FILE_TYPE_CHAR;
}

uint32_t readBootSeconds(KIVOptions* options) {
    CIniReader ini;
    ini.setINIFileName(options->getConfigIniPath());
    const std::vector<std::wstring>& values = ini.getKeyValue(L"BootTimeout");
    if (values.empty())
        return 0;
    long seconds = std::wcstol(values[0].c_str(), nullptr, 10);
    return seconds > 0 ? static_cast<uint32_t>(seconds) : 0;
}

uint64_t monotonicMs() {
    return ::GetTickCount64();
}

} // namespace

NoGuiMode::NoGuiMode() : updater_(nullptr) {
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

int32_t NoGuiMode::initialize(KIVOptions* options) {
    // The launcher catches nothing: an exception leaving the library would end
    // the process with a code that an installer reads as some other outcome.
    try {
        return initializeUnguarded(options);
    } catch (...) {
        return 7;
    }
}

int32_t NoGuiMode::executeUpdateMode(KIVOptions* options) {
    try {
        return executeUnguarded(options);
    } catch (...) {
        // The run stopped somewhere unknown; an installer must not read 0.
        return ResultUpdateFailed;
    }
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
    ConsoleOutput console(std::wcout, stdoutIsConsole());
    NoGuiRun::Environment env;
    env.updater = updater_;
    env.options = options;
    env.console = &console;
    env.messenger = messenger_.get();
    env.isIpAddress = [](const std::wstring& text) { return checkIpAddress(text) == 1; };
    env.clockMs = &monotonicMs;
    env.bootSeconds = readBootSeconds(options);

    NoGuiRun run(env);
    const int32_t result = run.run();
    if (run.updatedCount() > 0) {
        trace.message(L"Store version in registry");
        recordInstalledVersion(options, run.packageVersion());
    }
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
