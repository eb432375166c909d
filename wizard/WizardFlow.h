// The wizard's run after its language is chosen: enumeration, Welcome,
// Licence, the device choice (the Select-device page, or the command-line
// list in mode 3), the update loop, Summary and retry, and the end. It reaches
// the pages, the worker threads, the engine and the registry only through the
// pieces it is given, so a test runs the whole run with scripted pages.
#pragma once

#include "IUpdater.h"
#include "KIVDevice.h"
#include "PageHost.h"
#include "WizardWorkers.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

class KIVOptions;
class MethodTrace;
class StatusMessenger;
class WizardContext;

class WizardFlow {
public:
    struct Environment {
        PageHost* pages;
        WizardWorkers* workers;
        IUpdater* updater;
        KIVOptions* options;
        StatusMessenger* messenger; // null: no result lines
        int32_t appMode;            // 1 or 3
        ProgressCallback progress;  // handed to the update worker
        // Writes the installed-version record (recordInstalledVersion).
        std::function<void(KIVOptions*, const std::wstring&)> recordVersion;
        // Sets the process-wide progress value to 0 before an update starts.
        std::function<void()> resetProgress;
    };

    WizardFlow(const Environment& env, WizardContext& context);
    ~WizardFlow();
    WizardFlow(const WizardFlow&) = delete;
    WizardFlow& operator=(const WizardFlow&) = delete;

    // Runs to the end; the lines go to trace. Returns only when no worker
    // is left running.
    int32_t run(MethodTrace& trace);

    int32_t notUpdatedCount() const { return notUpdated_; }

private:
    enum Step { Go, Stop };

    Step runSteps();
    void startEnumeration();
    Step welcome();
    Step licence(bool* finishNow);
    Step chooseDevices(bool* updateNow);
    Step verifySelection(const std::vector<KIVDevice>& chosen);
    Step verifyList();
    void reportUnmatched(const std::wstring& entry, const IpAddressArray& addresses,
                         const std::vector<int>& recordOf, size_t entryIndex);
    Step updateAll();
    Step updateOne(uint32_t* index, uint32_t count);
    Step showResult(uint32_t index, uint32_t count);
    void updateFailed(const KIVDevice& device, uint32_t index, const std::wstring& name);
    int32_t closedResult() const;
    Step summary(bool* rescan);
    void recordIfAnyUpdated();
    bool anyUpdatedInList() const;
    void rescan(bool enumerate);
    void finish();
    Step missingPage(const wchar_t* page);
    int32_t showPage(const wchar_t* name, const PageRequest& request,
                     PageOutcome* outcome = nullptr);
    Step stop(int32_t result);
    void report(const std::wstring& name, int32_t errorCode);
    // One printer's or entry's outcome for the run's report; device may be
    // null (an entry that matched nothing).
    void leaveUnstarted(uint32_t from, uint32_t count);
    std::wstring toldName(uint32_t index, const KIVDevice& device) const;
    void updateUnanswered(const KIVDevice& device, uint32_t index, const std::wstring& name);
    void updateRefused(const KIVDevice& device, uint32_t index, const std::wstring& name,
                       uint32_t code);
    // Mode 3: a printer an entry named that is not updated (does not fit, or
    // did not answer), told and recorded with error.
    void refused(const KIVDevice* device, const std::wstring& entry, int32_t error);
    void record(const KIVDevice* device, const std::wstring& name, int32_t result,
                int32_t errorCode, const std::wstring& before = std::wstring(),
                const std::wstring& after = std::wstring());

    Environment env_;
    WizardContext& context_;
    MethodTrace* trace_;
    int32_t result_;
    int32_t notUpdated_;
    bool finished_;
    // Printers (by printerKey: how each is reached) whose last update in
    // this run failed; one updated after a retry leaves it.
    std::set<std::wstring> failed_;
    // Mode 3: the result of every printer and -d entry, in the order told.
    std::vector<int32_t> outcomes_;
    // Mode 3: the -d entry that named each printer of the options' list, in
    // its order; the result lines and the report call a printer by it, as
    // the installer did (two printers of one model are told apart).
    std::vector<std::wstring> listNames_;
    std::chrono::steady_clock::time_point turnStart_;
    // The update worker's job and its device: kept until the worker has ended.
    KIVDevice updateDevice_;
    UpdateJob updateJob_;
    // Arrays of the synchronous enumerations of mode 3.
    std::vector<KIVDeviceArray*> listArrays_;
};
