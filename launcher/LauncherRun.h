// One run of KIV, from the forced-exit probe to the exit code. The start-up
// and shutdown order is fixed; each step is one function.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
    bool readForcedExitCode(int& code);
    void bringUpLogger();
    bool initDialogFramework();
    void readCommandLine();
    void setConsoleVisibility();
    void unpackPackages();
    void pointAtConfig();
    int runUpdateMode(bool& closingLines);
    int finish(int exitCode, bool closingLines);

    int argc_;
    const wchar_t* const* argv_;
    std::unique_ptr<BasicLogger> logger_;
    std::unique_ptr<KIVOptions> options_;
    std::unique_ptr<std::wstring> cfgIniPath_;
};

// The size of an embedded package (raw-data resource, language 1033) of this
// program, or 0 when it is missing.
uint32_t embeddedPackageSize(uint16_t id);

// The common-control classes registered at start-up (the ICC_* bits of
// InitCommonControlsEx).
uint32_t dialogControlClasses();
