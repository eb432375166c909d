// What a run did, for the report file that scripts and deployment tools read
// instead of the console: the run's versions, times and exit code, and one
// record per printer or listed entry. The modes add records as each outcome
// is decided (from several threads in the console mode); the launcher fills
// in the rest once the run has ended and renders it. No OS calls.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class RunReport {
public:
    enum Outcome : int32_t {
        Updated,
        UpToDate,
        UpdateDue, // a run that only checks: the package is newer
        Failed,
        Unreachable,  // found, or named, but it did not answer
        Incompatible, // refused: it does not fit, or does not accept, this firmware
        NotFound,     // a listed name or address that matched no printer
    };

    struct Printer {
        std::wstring name; // as in the printer's result line
        std::wstring address;
        std::wstring port;
        int32_t type = 0;            // KIVDevice::Type
        std::wstring firmwareBefore; // empty: not known
        std::wstring firmwareAfter;  // empty: not read back
        Outcome outcome = Failed;
        int32_t errorCode = 0; // the result line's error code
        double seconds = 0;
    };

    RunReport();
    ~RunReport();
    RunReport(const RunReport&) = delete;
    RunReport& operator=(const RunReport&) = delete;

    // The one place where a run result (ModeResults.h) becomes an outcome.
    static Outcome outcomeOf(int32_t runResult);

    void addPrinter(const Printer& printer);
    std::vector<Printer> printers() const;

    void setProgramVersion(const std::wstring& version) { programVersion_ = version; }
    void setPackageVersion(const std::wstring& version) { packageVersion_ = version; }
    void setMode(int32_t mode) { mode_ = mode; }
    void setCheckOnly(bool checkOnly) { checkOnly_ = checkOnly; }
    // Seconds since 1970-01-01 UTC.
    void setStart(int64_t unixSeconds) { start_ = unixSeconds; }
    void setEnd(int64_t unixSeconds) { end_ = unixSeconds; }
    void setExit(int32_t code, const std::wstring& meaning) {
        exitCode_ = code;
        exitMeaning_ = meaning;
    }

    // The whole report as UTF-8 JSON (RunReportJson.cpp).
    std::string toJson() const;

    // "2026-01-31T23:59:59Z".
    static std::string isoUtc(int64_t unixSeconds);

private:
    mutable std::mutex lock_;
    std::vector<Printer> printers_;
    std::wstring programVersion_;
    std::wstring packageVersion_;
    int32_t mode_;
    bool checkOnly_;
    int64_t start_;
    int64_t end_;
    int32_t exitCode_;
    std::wstring exitMeaning_;
};
