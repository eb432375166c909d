// One run of the console update mode: find the printers, flash each one that
// needs it, report, and combine the outcomes into one result. Talks to the
// engine only through IUpdater and to the user only through the console
// objects it is given, so it runs the same against a fake engine.
#pragma once

#include "ConsoleOutput.h"
#include "IUpdater.h"
#include "KIVDevice.h"
#include "RunResult.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class KIVOptions;
class RunReport;
class StatusMessenger;

class NoGuiRun {
public:
    struct Environment {
        IUpdater* updater;
        KIVOptions* options;
        ConsoleOutput* console;
        StatusMessenger* messenger; // null: no result lines (-e 1 not given)
        // checkIpAddress(text) == 1 in the real program.
        std::function<bool(const std::wstring&)> isIpAddress;
        std::function<uint64_t()> clockMs; // monotonic milliseconds
        uint32_t bootSeconds;              // the package's BootTimeout
        // Printers updated at once; 1 updates them one after another.
        uint32_t parallel = 1;
        // Only read the versions and tell which printers need an update;
        // nothing is sent to a printer that could change it (-check 1).
        bool checkOnly = false;
        // True once the user asked the run to stop (Ctrl+C); null: never.
        std::function<bool()> stopRequested = nullptr;
    };

    // What happened to one printer or one unmatched -d entry.
    struct Outcome {
        std::wstring name;     // as in the result line
        int32_t result = 0;    // a RunResult
        int32_t errorCode = 0; // the result line's error code
        std::wstring version;  // firmware after the run, when known
        // For the run's report: the printer, when there is one, and its turn.
        std::wstring address;
        std::wstring port;
        int32_t type = 0;
        std::wstring before; // firmware when found
        uint64_t ms = 0;
        // What a check-only run found; NotChecked in an ordinary run.
        CheckVerdict verdict = CheckVerdict::NotChecked;
    };

    explicit NoGuiRun(const Environment& env);
    ~NoGuiRun();
    NoGuiRun(const NoGuiRun&) = delete;
    NoGuiRun& operator=(const NoGuiRun&) = delete;

    // Runs everything; returns the combined result (combineResults). Several
    // printers may be updated at once (Environment::parallel); outcomes and
    // result lines still come in the order of the printer list.
    int32_t run();

    const std::vector<Outcome>& outcomes() const { return outcomes_; }
    // Every outcome, in order, as the run's report records them.
    void fillReport(RunReport& report) const;
    int updatedCount() const;
    const std::wstring& packageVersion() const { return packageVersion_; }

    // How a printer is named to the user: its address for one found at an
    // address, "name (address)" for a spooler port, the port for USB.
    static std::wstring describeDevice(const KIVDevice& device);
    // The device's own name, or its port or address when it has none.
    static std::wstring reportName(const KIVDevice& device);
    static std::wstring trim(const std::wstring& text);

private:
    bool refuseNotUnderstood();
    void findPrinters();
    void findListedPrinters(const std::vector<std::wstring>& entries);
    void reportEmptyList();
    // The engine's search: compatible printers into found_, printers that
    // answered the search but not the check into unchecked_.
    bool enumerate(IpAddressArray* addresses);
    void reportUnchecked(const KIVDevice& device, const std::wstring& name);
    // Another printer the search found has the same name.
    struct Alike {
        int name = 0;
        int address = 0;
    };
    Alike alike(const KIVDevice& device) const;
    std::wstring lineName(const KIVDevice& device) const;
    void findAllPrinters();
    void updatePrinters(uint32_t count);
    // One printer's whole turn; never throws.
    void takeTurn(uint32_t index, uint32_t count);
    void updatePrinter(uint32_t index, uint32_t count);
    bool packageIsNewer(uint32_t index);
    // A check-only run's verdict on a printer that fits the package.
    void checkPrinter(uint32_t index, const KIVDevice& device, const std::wstring& head,
                      const std::wstring& name);
    // Records a failed update for a printer whose turn ended in an exception.
    void failPrinter(uint32_t index);
    void endWithoutUpdate(uint32_t index, const wchar_t* why);
    bool stopRequested();
    // A printer whose turn came after the user asked the run to stop.
    void leaveUnstarted(uint32_t index);
    int32_t flash(uint32_t index, const std::wstring& label);
    void addOutcome(const Outcome& outcome);
    static void describePrinter(const KIVDevice& device, Outcome& outcome);
    // A printer's outcome is held until every printer before it in the list
    // has one, so that the outcomes and result lines keep the list's order.
    void addPrinterOutcome(uint32_t index, const std::wstring& name, int32_t result,
                           int32_t errorCode, const std::wstring& version = std::wstring());
    bool hasOutcome(uint32_t index);
    // The printer's turn begins: its clock and description for the report.
    void beginTurn(uint32_t index, const KIVDevice& device);
    // The printer's turn is over (with or without an outcome).
    void endTurn(uint32_t index);
    void publishReady();
    // Publishes every outcome not yet published; called once no turn runs.
    void publishRemaining();
    void printSummary(int32_t result);
    void printCheckSummary();
    void printUpdateSummary();

    Environment env_;
    std::wstring packageVersion_;
    std::atomic<bool> stopTold_{false};
    KIVDeviceArray* found_;
    KIVDeviceArray* unchecked_;
    // The name of each listed printer in its result line, by list index: the
    // -d entry that chose it (what the caller knows it by), else its name,
    // made unique with its port or address when printers share a name.
    std::vector<std::wstring> lineNames_;
    std::vector<Outcome> outcomes_;

    // One per listed printer while the updates run, guarded by turnsLock_.
    struct Turn {
        uint64_t startMs = 0;
        bool begun = false;
        bool ended = false;
        bool hasOutcome = false;
        Outcome outcome;
    };
    std::mutex turnsLock_;
    std::vector<Turn> turns_;
    uint32_t nextToPublish_ = 0;
    uint32_t turnsWithoutOutcome_ = 0; // under turnsLock_ while turns run
    bool searchIncomplete_ = false;
};
