// One run of KIV, from the forced-exit probe to the exit code. The start-up
// and shutdown order is fixed; each step is one function.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class BasicLogger;
class KIVOptions;

class LauncherRun {
public:
    LauncherRun(int argc, const wchar_t* const* argv);
    ~LauncherRun();
    LauncherRun(const LauncherRun&) = delete;
    LauncherRun& operator=(const LauncherRun&) = delete;

    int run();

private:
    int runSteps();
    bool readForcedExitCode(int& code);
    void logIgnoredForcedExitValues();
    void bringUpLogger();
    bool initDialogFramework();
    void readCommandLine();
    void setConsoleVisibility();
    bool unpackPackages();
    void pointAtConfig();
    int runUpdateMode(bool& closingLines);
    void writeReport(int exitCode);
    int finish(int exitCode, bool closingLines);

    int64_t startTime_ = 0; // seconds since 1970, UTC
    int argc_;
    const wchar_t* const* argv_;
    std::unique_ptr<BasicLogger> logger_;
    std::unique_ptr<KIVOptions> options_;
    std::unique_ptr<std::wstring> cfgIniPath_;
    // Lines about "KivRetCode" values that were not numbers, for the log.
    std::vector<std::wstring> ignoredForcedExit_;
};

// Runs the launcher's steps and returns their exit code. Anything they throw
// ends here: it is logged and the run ends with 4.
int runAtBoundary(const std::function<int()>& steps);

// The size of an embedded package (raw-data resource, language 1033) of this
// program, or 0 when it is missing.
uint32_t embeddedPackageSize(uint16_t id);
