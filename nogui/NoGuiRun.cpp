#include "NoGuiRun.h"

#include "KIVOptions.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "ProgressTracker.h"
#include "RunResult.h"
#include "StatusMessenger.h"

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

// A refusal's reason goes on the result line as its error code.
static_assert(static_cast<int32_t>(ReasonAddressNoAnswer) == StatusMessenger::ErrorIPNoPrinter &&
                  static_cast<int32_t>(ReasonWrongPrinter) == StatusMessenger::ErrorIPWrongPrinter,
              "an entered address's reasons read as its result line's error names");

namespace {

// The engine's progress callback is a plain function pointer and carries no
// printer, but the engine calls it on the thread that called update: each
// update in flight is found through a pointer of its own thread.
struct ActiveUpdate {
    ProgressTracker tracker;
    ConsoleOutput* console;
    const std::function<uint64_t()>* clock;
    size_t key;
    std::wstring label;
};
thread_local ActiveUpdate* activeUpdate = nullptr;

void showProgress(ActiveUpdate& update) {
    update.console->progress(update.key, update.label, update.tracker.percent(),
                             ProgressTracker::phaseText(update.tracker.phase()));
}

void onProgress(int percent) {
    ActiveUpdate* update = activeUpdate;
    if (!update)
        return;
    try {
        if (update->tracker.report(percent, (*update->clock)()))
            showProgress(*update);
    } catch (...) {
        // Nothing may unwind into the engine.
    }
}

// Keeps this thread's activeUpdate set for exactly the length of one update
// call.
class ActiveUpdateScope {
public:
    explicit ActiveUpdateScope(ActiveUpdate* update) { activeUpdate = update; }
    ~ActiveUpdateScope() { activeUpdate = nullptr; }
    ActiveUpdateScope(const ActiveUpdateScope&) = delete;
    ActiveUpdateScope& operator=(const ActiveUpdateScope&) = delete;
};

std::wstring str(uint32_t n) {
    return std::to_wstring(n);
}

} // namespace

NoGuiRun::NoGuiRun(const Environment& env) : env_(env), found_(nullptr), unchecked_(nullptr) {}

NoGuiRun::~NoGuiRun() {
    // The engine made the records in these arrays and frees them with them.
    if (found_)
        env_.updater->freeDeviceArray(&found_);
    if (unchecked_)
        env_.updater->freeDeviceArray(&unchecked_);
}

std::wstring NoGuiRun::trim(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::wstring NoGuiRun::describeDevice(const KIVDevice& device) {
    switch (device.getType()) {
    case KIVDevice::TypeIpAddress:
        if (!device.getIPAddress().empty())
            return device.getName() + L" at " + device.getIPAddress();
        break;
    case KIVDevice::TypeNetwork:
        if (!device.getIPAddress().empty())
            return device.getName() + L" (" + device.getIPAddress() + L")";
        break;
    case KIVDevice::TypeUsb:
        if (!device.getPortName().empty())
            return device.getName() + L" on " + device.getPortName();
        break;
    default:
        break;
    }
    return reportName(device);
}

std::wstring NoGuiRun::reportName(const KIVDevice& device) {
    if (!device.getName().empty())
        return device.getName();
    if (!device.getPortName().empty())
        return device.getPortName();
    return device.getIPAddress();
}

int NoGuiRun::updatedCount() const {
    int n = 0;
    for (const Outcome& o : outcomes_)
        n += o.result == ResultOk ? 1 : 0;
    return n;
}

void NoGuiRun::addOutcome(const Outcome& outcome) {
    outcomes_.push_back(outcome);
    outcomes_.back().verdict =
        env_.checkOnly ? checkVerdict(outcome.result, outcome.errorCode) : CheckVerdict::NotChecked;
    if (!env_.messenger)
        return;
    // Through the console, so that the line does not tear the progress lines
    // of printers still in flight.
    env_.console->above([&] {
        env_.messenger->displayStatus(outcome.name, outcome.result != ResultOk, outcome.errorCode,
                                      nullptr);
    });
}

void NoGuiRun::describePrinter(const KIVDevice& device, Outcome& outcome) {
    outcome.address = device.getIPAddress();
    outcome.port = device.getPortName();
    outcome.type = device.getType();
    outcome.before = device.getCurrVer();
}

void NoGuiRun::addPrinterOutcome(uint32_t index, const std::wstring& name, int32_t result,
                                 int32_t errorCode, const std::wstring& version) {
    const uint64_t now = env_.clockMs ? env_.clockMs() : 0;
    std::lock_guard<std::mutex> guard(turnsLock_);
    if (index >= turns_.size() || turns_[index].hasOutcome)
        return;
    Turn& turn = turns_[index];
    // The printer's description was noted when its turn began. The outcome
    // counts only once it is whole: a copy that throws leaves the turn
    // without one, and the printer is then told failed, not told with the
    // default result (success).
    Outcome outcome = turn.outcome;
    outcome.name = name;
    outcome.result = result;
    outcome.errorCode = errorCode;
    outcome.version = version;
    outcome.ms = now - std::min(now, turn.startMs);
    turn.outcome = std::move(outcome);
    turn.hasOutcome = true;
}

void NoGuiRun::beginTurn(uint32_t index, const KIVDevice& device) {
    const uint64_t now = env_.clockMs ? env_.clockMs() : 0;
    std::lock_guard<std::mutex> guard(turnsLock_);
    if (index >= turns_.size() || turns_[index].begun)
        return;
    turns_[index].begun = true;
    turns_[index].startMs = now;
    describePrinter(device, turns_[index].outcome);
}

bool NoGuiRun::hasOutcome(uint32_t index) {
    std::lock_guard<std::mutex> guard(turnsLock_);
    return index < turns_.size() && turns_[index].hasOutcome;
}

void NoGuiRun::endTurn(uint32_t index) {
    std::lock_guard<std::mutex> guard(turnsLock_);
    if (index < turns_.size())
        turns_[index].ended = true;
    publishReady();
}

// After the workers are joined: a result line that failed to come out stops
// publishReady, and the outcomes behind it would otherwise wait for a turn
// that never ends again.
void NoGuiRun::publishRemaining() {
    std::lock_guard<std::mutex> guard(turnsLock_);
    for (Turn& turn : turns_)
        turn.ended = true;
    while (nextToPublish_ < turns_.size()) {
        try {
            publishReady();
        } catch (...) {
            // That outcome is recorded; only its line is lost.
        }
    }
}

// Called with turnsLock_ held.
void NoGuiRun::publishReady() {
    // Moved past before it is shown: a line that fails to come out must not
    // bring its outcome back a second time.
    while (nextToPublish_ < turns_.size() && turns_[nextToPublish_].ended) {
        const Turn& turn = turns_[nextToPublish_++];
        if (turn.hasOutcome)
            addOutcome(turn.outcome);
        else
            ++turnsWithoutOutcome_;
    }
}

int32_t NoGuiRun::run() {
    MethodTrace trace(LogNonGuiMode, L"NoGuiRun::run(): ");
    trace.message(L"Beginning updates...");
    env_.options->clearDeviceList();
    outcomes_.clear();
    lineNames_.clear();
    turnsWithoutOutcome_ = 0;
    searchIncomplete_ = false;
    env_.updater->getPackageVersionString(env_.options, &packageVersion_);
    env_.console->line(L"KIV console update, package firmware " + packageVersion_);
    if (env_.checkOnly) {
        trace.message(L"Check-only run: versions are read and compared, no printer is updated");
        env_.console->line(L"Check only: the printers are checked, none is updated.");
    }
    if (refuseNotUnderstood())
        return ResultUpdateFailed;

    findPrinters();

    updatePrinters(env_.options->getDevListSize());

    int32_t result = (env_.checkOnly ? combineCheckResults : combineResults)([this] {
        std::vector<int32_t> results;
        for (const Outcome& o : outcomes_)
            results.push_back(o.result);
        // A turn that could not even record its failure (memory ran out)
        // still says nothing of an update.
        if (turnsWithoutOutcome_ > 0 || searchIncomplete_)
            results.push_back(ResultUpdateFailed);
        return results;
    }());
    if (outcomes_.empty() && turnsWithoutOutcome_ == 0 && !searchIncomplete_) {
        // Nothing found and nothing asked for: an installer must not read
        // that as "every printer is up to date".
        env_.console->line(L"No compatible printer was found.");
        result = ResultUnreachable;
    }
    printSummary(result);
    trace.message(L"Updates completed! rc=", result);
    return result;
}

// A mistyped option must not turn into another run: "-D" for "-d" would
// update every printer found, "-Check 1" would flash where a check was asked
// for. Nothing is sought or sent; the installer's script has to be mended.
bool NoGuiRun::refuseNotUnderstood() {
    const std::vector<std::wstring>& unknown = env_.options->getNotUnderstood();
    if (unknown.empty())
        return false;
    std::wstring text;
    for (const std::wstring& argument : unknown)
        text += (text.empty() ? L"" : L", ") + argument;
    env_.console->line(L"Not understood on the command line: " + text +
                       L". Nothing was sent to any printer.");
    logLine(LogNonGuiMode, L"NoGuiRun::run(): Run refused, arguments not understood: ", text);
    env_.console->line(std::wstring(L"Result ") + std::to_wstring(ResultUpdateFailed) +
                       L": the command line was not understood.");
    return true;
}

void NoGuiRun::findPrinters() {
    env_.updater->createDeviceArray(&found_);
    if (!found_) {
        // The engine could not give an array (it allocates without throwing):
        // no printer can be found, which the run reports as nothing found.
        env_.console->line(L"The update engine could not make a list of printers.");
        return;
    }
    std::vector<std::wstring> entries;
    for (const std::wstring& entry : env_.options->getDeviceList()) {
        std::wstring trimmed = trim(entry);
        if (!trimmed.empty())
            entries.push_back(trimmed);
    }
    if (!entries.empty())
        findListedPrinters(entries);
    else if (env_.options->isDeviceListGiven())
        reportEmptyList();
    else
        findAllPrinters();
}

// A -d list that came with nothing in it (a script whose list came back
// blank) names no printer; every printer found in its place would be flashed
// without anybody having chosen it.
void NoGuiRun::reportEmptyList() {
    logLine(LogNonGuiMode, L"NoGuiRun::run(): The device list names no printer");
    env_.console->line(L"The -d list names no printer: none is updated.");
    Outcome outcome;
    outcome.result = ResultNameUnmatched;
    outcome.errorCode = ReasonNoAnswer;
    addOutcome(outcome);
}

// A printer that answered the search but not the check may well fit the
// package; it is counted as unreachable, never left out in silence, so that a
// run that could not check it does not read as a complete success.
void NoGuiRun::reportUnchecked(const KIVDevice& device, const std::wstring& name) {
    env_.console->line(L"  " + describeDevice(device) +
                       L": found, but it did not answer when checked; not updated");
    logLine(LogNonGuiMode, L"NoGuiRun::run(): Device not reachable! device=", name);
    Outcome outcome;
    outcome.name = name;
    outcome.result = ResultUnreachable;
    outcome.errorCode = unreachableReason(device);
    describePrinter(device, outcome);
    addOutcome(outcome);
}

// False when the search stopped part way: what it listed is still listed.
bool NoGuiRun::enumerate(IpAddressArray* addresses) {
    env_.updater->createDeviceArray(&unchecked_);
    return env_.updater->enumerateFoundDevices(env_.options, found_, unchecked_, addresses) == 0;
}

// How many printers found share the device's name, and how many of those
// its network address as well (ports of one print server).
NoGuiRun::Alike NoGuiRun::alike(const KIVDevice& device) const {
    Alike n;
    for (const KIVDeviceArray* array : {found_, unchecked_}) {
        if (!array)
            continue;
        for (const KIVDevice* other : *array) {
            if (!other || other->getName() != device.getName())
                continue;
            ++n.name;
            n.address += other->getIPAddress() == device.getIPAddress() ? 1 : 0;
        }
    }
    return n;
}

// A printer's name in its result line: its address or port where the name
// alone would not tell it from another.
std::wstring NoGuiRun::lineName(const KIVDevice& device) const {
    const Alike n = alike(device);
    if (n.name < 2)
        return reportName(device);
    if (n.address > 1 && device.getType() == KIVDevice::TypeNetwork &&
        !device.getPortName().empty())
        return device.getName() + L" (" + device.getPortName() + L")";
    return describeDevice(device);
}

void NoGuiRun::findAllPrinters() {
    MethodTrace trace(LogNonGuiMode, L"NoGuiRun::findAllPrinters(): ");
    env_.console->line(L"Looking for printers...");
    // Every printer found is the run's list: a search that stopped part way
    // must not read as one that found every printer there is.
    if (!enumerate(nullptr)) {
        searchIncomplete_ = true;
        env_.console->line(L"The search for printers stopped part way; the printers it did not "
                           L"reach are not updated.");
        logLine(LogNonGuiMode, L"NoGuiRun::findAllPrinters(): The search stopped part way");
    }
    for (KIVDevice* device : *found_) {
        if (!device)
            continue;
        env_.options->addDeviceToList(*device);
        trace.message(L"Found device=", device->getName());
        lineNames_.push_back(lineName(*device));
    }
    env_.console->line(L"Found " + str(static_cast<uint32_t>(env_.options->getDevListSize())) +
                       L" compatible printer(s).");
    if (!unchecked_)
        return;
    for (const KIVDevice* device : *unchecked_) {
        if (device)
            reportUnchecked(*device, lineName(*device));
    }
}

void NoGuiRun::findListedPrinters(const std::vector<std::wstring>& entries) {
    MethodTrace trace(LogNonGuiMode, L"NoGuiRun::findListedPrinters(): ");
    env_.console->line(L"Looking for the listed printers...");

    // One address record per address entry, probed directly by the
    // enumeration; its status tells why an address found nothing.
    std::vector<ipAddressObject> records;
    std::vector<int> recordOf(entries.size(), -1);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (env_.isIpAddress(entries[i])) {
            recordOf[i] = static_cast<int>(records.size());
            records.emplace_back(entries[i]);
            trace.message(L"Add device to IPAddressList:", entries[i]);
        }
    }
    IpAddressArray addresses;
    for (ipAddressObject& record : records)
        addresses.push_back(&record);
    enumerate(&addresses);

    std::vector<const KIVDevice*> chosen;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::wstring& entry = entries[i];
        const KIVDevice* match = nullptr;
        uint32_t named = 0;
        for (const KIVDevice* device : *found_) {
            if (device && (device->getName() == entry || device->getPortName() == entry ||
                           device->getIPAddress() == entry)) {
                match = match ? match : device;
                ++named;
            }
        }
        // A model name shared by several printers takes the first one found;
        // the others are not updated, and the user is told how to name them.
        if (named > 1)
            env_.console->line(L"  " + entry + L": names " + str(named) +
                               L" printers; only the first found, " + describeDevice(*match) +
                               L", is updated. Name the others by address or port.");
        if (!match && unchecked_) {
            const KIVDevice* silent = nullptr;
            for (const KIVDevice* device : *unchecked_) {
                if (device && (device->getName() == entry || device->getPortName() == entry ||
                               device->getIPAddress() == entry)) {
                    silent = device;
                    break;
                }
            }
            if (silent) {
                reportUnchecked(*silent, entry);
                continue;
            }
        }
        if (match) {
            bool already = false;
            for (const KIVDevice* c : chosen)
                already = already || c == match;
            if (already) {
                env_.console->line(L"  " + entry + L": same printer as an earlier entry");
                continue;
            }
            chosen.push_back(match);
            env_.options->addDeviceToList(*match);
            lineNames_.push_back(entry);
            trace.message(L"Device verified! device=", entry);
            continue;
        }
        int32_t result;
        int32_t code;
        if (recordOf[i] >= 0) {
            // An address where a printer answered but none was listed: it
            // answered as a printer this package does not fit.
            const int32_t status = records[recordOf[i]].getStatus();
            code = status == ipAddressObject::NoPrinter ? StatusMessenger::ErrorIPNoPrinter
                                                        : StatusMessenger::ErrorIPWrongPrinter;
            result = ResultAddressUnmatched;
            env_.console->line(L"  " + entry +
                               (code == StatusMessenger::ErrorIPNoPrinter
                                    ? L": no printer answers at this address"
                                    : L": the printer at this address does not fit this package"));
        } else {
            // Told as a printer that does not answer.
            code = ReasonNoAnswer;
            result = ResultNameUnmatched;
            env_.console->line(L"  " + entry + L": no printer of this name or port was found");
        }
        trace.message(L"Invalid device! device=", entry, L" err=Invalid name", code);
        Outcome outcome;
        outcome.name = entry;
        outcome.result = result;
        outcome.errorCode = code;
        if (recordOf[i] >= 0)
            outcome.address = entry;
        addOutcome(outcome);
    }
}

void NoGuiRun::updatePrinters(uint32_t count) {
    {
        std::lock_guard<std::mutex> guard(turnsLock_);
        turns_.assign(count, Turn());
        nextToPublish_ = 0;
    }
    const uint32_t workers = std::min(std::max<uint32_t>(env_.parallel, 1), count);
    if (workers <= 1) {
        for (uint32_t i = 0; i < count; ++i)
            takeTurn(i, count);
        publishRemaining();
        return;
    }
    env_.console->setLabelled(true);
    // Each worker takes the next printer of the list until none is left; the
    // time goes to waiting for printers, so the pool is as wide as allowed.
    std::atomic<uint32_t> next(0);
    auto work = [&] {
        for (uint32_t i = next++; i < count; i = next++)
            takeTurn(i, count);
    };
    std::vector<std::thread> pool;
    try {
        for (uint32_t w = 0; w < workers; ++w)
            pool.emplace_back(work);
    } catch (...) {
        // No more threads: the ones running share the rest of the list.
        if (pool.empty())
            work();
    }
    for (std::thread& t : pool)
        t.join();
    publishRemaining();
    env_.console->setLabelled(false);
}

void NoGuiRun::takeTurn(uint32_t index, uint32_t count) {
    try {
        if (stopRequested())
            leaveUnstarted(index);
        else
            updatePrinter(index, count);
    } catch (...) {
        // Whatever the engine or a library threw, the printer's state is
        // unknown: it counts as a failed update, never as an updated one,
        // and the other printers still get their turn.
        try {
            logLine(LogNonGuiMode,
                    L"NoGuiRun::run(): Unexpected error while updating the printer at index ",
                    index);
            env_.console->endProgress(index);
        } catch (...) {
        }
    }
    try {
        // Whatever ended the turn without an outcome, nothing says the
        // printer was updated.
        if (!hasOutcome(index))
            failPrinter(index);
    } catch (...) {
    }
    try {
        endTurn(index);
    } catch (...) {
        // Its outcome is recorded; only the line may be lost. A worker
        // thread must not end in an exception.
    }
}

// A device the engine cannot read counts as older than the package, and the
// update's own verification decides; a failure while asking is the same, never
// "already up to date".
bool NoGuiRun::packageIsNewer(uint32_t index) {
    try {
        return env_.updater->isPackageNewerThanDevice(env_.options, static_cast<int32_t>(index));
    } catch (...) {
        logLine(LogNonGuiMode,
                L"NoGuiRun::updatePrinter(): Unable to compare the versions; updating the "
                L"printer at index ",
                index);
        return true;
    }
}

void NoGuiRun::updatePrinter(uint32_t index, uint32_t count) {
    MethodTrace trace(LogNonGuiMode, L"NoGuiRun::updatePrinter(): ");
    KIVDevice device;
    if (env_.options->getDeviceAt(index, device) != 0)
        return;
    beginTurn(index, device);
    const std::wstring name = index < lineNames_.size() ? lineNames_[index] : reportName(device);
    const std::wstring head =
        L"[" + str(index + 1) + L"/" + str(count) + L"] " + describeDevice(device);
    std::wstring version = device.getCurrVer();
    env_.console->line(head + L": firmware " + (version.empty() ? L"unknown" : version));
    trace.message(L"Device to update...device=", name);

    int32_t reason = 0;
    if (!env_.updater->isCompatibleDevice(env_.options, &device, &reason)) {
        if (isUnreachableReason(reason)) {
            env_.console->line(head + L": not reachable");
            addPrinterOutcome(index, name, ResultUnreachable, reason);
        } else {
            env_.console->line(head + L": does not fit this package, not updated");
            addPrinterOutcome(index, name,
                              device.getType() == KIVDevice::TypeIpAddress
                                  ? ResultIncompatibleAddress
                                  : ResultIncompatible,
                              reason);
        }
        trace.message(L"Invalid device! device=", name, L" err=", reason);
        return;
    }

    if (env_.checkOnly) {
        checkPrinter(index, device, head, name);
        return;
    }

    if (!env_.options->getForceMode() && !packageIsNewer(index)) {
        env_.console->line(head + L": already up to date, skipped");
        trace.message(L"Update not attempted, device already up to date. device=", name);
        addPrinterOutcome(index, name, ResultUpToDate, StatusMessenger::DeviceAlreadyUpToDate,
                          version);
        return;
    }

    // The checks above talk to the printer and take their time; a stop asked
    // for meanwhile still finds nothing sent to it.
    if (stopRequested()) {
        leaveUnstarted(index);
        return;
    }
    env_.console->line(head + L": updating to " + packageVersion_);
    const int32_t rc = flash(index, head);
    switch (rc) {
    case IUpdater::UpdateOk: {
        env_.options->setDeviceStatusAt(index, KIVDevice::Updated);
        std::wstring now;
        env_.updater->getDeviceVersionString(env_.options, static_cast<int32_t>(index), &now);
        // Only what the printer said is shown: the package's version in its
        // place would read as a version that nobody read back.
        env_.console->line(head + L": updated and verified, " +
                           (now.empty() ? std::wstring(L"firmware version could not be read back")
                                        : L"firmware now " + now));
        addPrinterOutcome(index, name, ResultOk, StatusMessenger::NoError, now);
        break;
    }
    case IUpdater::UpdateConsentNeeded:
        // This mode has nobody to ask, so the change is refused, never forced.
        env_.console->line(head + L": the firmware-letter change needs consent; not updated");
        addPrinterOutcome(index, name, ResultConsentNeeded, StatusMessenger::ErrorBadFW, version);
        break;
    case IUpdater::UpdateRevisionMismatch:
        env_.console->line(head + L": the printer does not accept this firmware revision; "
                                  L"not updated");
        addPrinterOutcome(index, name, ResultRevisionMismatch, StatusMessenger::ErrorBadFW,
                          version);
        break;
    case IUpdater::UpdateUnreachable:
        env_.console->line(head + L": not reachable");
        addPrinterOutcome(index, name, ResultUnreachable, unreachableReason(device), version);
        break;
    case IUpdater::UpdateInUse:
        env_.console->line(head + L": another update of this printer is running; nothing was "
                                  L"sent, not updated");
        addPrinterOutcome(index, name, ResultUpdateFailed, StatusMessenger::ErrorUpdateFailed);
        break;
    default:
        env_.options->setDeviceStatusAt(index, KIVDevice::UpdateFailed);
        env_.console->line(head + L": update FAILED (engine result " + std::to_wstring(rc) + L")");
        addPrinterOutcome(index, name, ResultUpdateFailed, StatusMessenger::ErrorUpdateFailed);
        break;
    }
    trace.message(L"End updating device=", name, L" rc=", rc);
}

// A version that cannot be read is no answer here: the ordinary run would
// flash such a printer and let the verification decide, but a check that
// cannot read it knows nothing about it. Nothing but queries goes out.
void NoGuiRun::checkPrinter(uint32_t index, const KIVDevice& device, const std::wstring& head,
                            const std::wstring& name) {
    std::wstring version;
    env_.updater->getDeviceVersionString(env_.options, static_cast<int32_t>(index), &version);
    if (version.empty()) {
        env_.console->line(head + L": check: no answer when the version was read");
        addPrinterOutcome(index, name, ResultUnreachable, unreachableReason(device));
        return;
    }
    const bool due =
        env_.updater->isPackageNewerThanDevice(env_.options, static_cast<int32_t>(index));
    logLine(LogNonGuiMode, L"NoGuiRun::checkPrinter(): device=", name, L" firmware=", version,
            due ? L" update due" : L" up to date");
    // An update the printer would refuse is not due: the update run would
    // end with the refusal, so the check gives it now, with the same result.
    const int32_t revision =
        due ? env_.updater->checkRevision(env_.options, static_cast<int32_t>(index))
            : IUpdater::UpdateOk;
    if (revision == IUpdater::UpdateRevisionMismatch) {
        env_.console->line(head + L": check: the printer does not accept this firmware revision");
        addPrinterOutcome(index, name, ResultRevisionMismatch, StatusMessenger::ErrorBadFW,
                          version);
    } else if (revision == IUpdater::UpdateUnreachable) {
        env_.console->line(head + L": check: no answer when the version was read");
        addPrinterOutcome(index, name, ResultUnreachable, unreachableReason(device));
    } else if (due) {
        env_.console->line(head + L": check: update due, " + version + L" -> " + packageVersion_);
        addPrinterOutcome(index, name, ResultUpdateDue, StatusMessenger::DeviceUpdateDue, version);
    } else {
        env_.console->line(head + L": check: up to date, " + version);
        addPrinterOutcome(index, name, ResultUpToDate, StatusMessenger::DeviceAlreadyUpToDate,
                          version);
    }
}

void NoGuiRun::failPrinter(uint32_t index) {
    env_.options->setDeviceStatusAt(index, KIVDevice::UpdateFailed);
    endWithoutUpdate(index, env_.checkOnly ? L": check FAILED (unexpected error)"
                                           : L": update FAILED (unexpected error)");
}

// A turn that ends without the engine's word: its own line and a failure.
void NoGuiRun::endWithoutUpdate(uint32_t index, const wchar_t* why) {
    KIVDevice device;
    const bool known = env_.options->getDeviceAt(index, device) == 0;
    // A printer whose turn never began is still described in the report, with
    // no time spent on it.
    if (known)
        beginTurn(index, device);
    const std::wstring name = index < lineNames_.size()
                                  ? lineNames_[index]
                                  : (known ? reportName(device) : str(index + 1));
    env_.console->line(L"[" + str(index + 1) + L"] " + name + why);
    addPrinterOutcome(index, name, ResultUpdateFailed, StatusMessenger::ErrorUpdateFailed);
}

bool NoGuiRun::stopRequested() {
    return env_.stopRequested && env_.stopRequested();
}

// Asked to stop, the run starts no further printer; a printer being flashed
// is finished first, since one left in the middle is worse than either. The
// ones not started are told so, and the run ends as a failed one.
void NoGuiRun::leaveUnstarted(uint32_t index) {
    if (!stopTold_.exchange(true)) {
        env_.console->line(L"Interrupted: no further printer is started; the ones being "
                           L"updated now are finished first.");
        logLine(LogNonGuiMode, L"NoGuiRun::run(): Interrupted by the user");
    }
    endWithoutUpdate(index, env_.checkOnly ? L": not checked (the run was interrupted)"
                                           : L": not updated (the run was interrupted)");
}

int32_t NoGuiRun::flash(uint32_t index, const std::wstring& label) {
    ActiveUpdate update{ProgressTracker(env_.bootSeconds), env_.console, &env_.clockMs, index,
                        label};
    showProgress(update);
    int32_t rc;
    {
        ActiveUpdateScope scope(&update);
        rc = env_.updater->update(env_.options, static_cast<int32_t>(index), &onProgress, false);
    }
    if (rc == IUpdater::UpdateOk) {
        update.tracker.finish(true);
        showProgress(update);
    }
    env_.console->endProgress(index);
    return rc;
}

void NoGuiRun::printSummary(int32_t result) {
    if (env_.checkOnly)
        printCheckSummary();
    else
        printUpdateSummary();
    env_.console->line(std::wstring(L"Result ") + std::to_wstring(result) + L": " +
                       describeResult(result) + L".");
}

void NoGuiRun::printCheckSummary() {
    const CheckVerdict verdicts[] = {CheckVerdict::UpdateDue,    CheckVerdict::UpToDate,
                                     CheckVerdict::Incompatible, CheckVerdict::NoAnswer,
                                     CheckVerdict::NotFound,     CheckVerdict::NotChecked};
    std::wostringstream s;
    s << L"Summary (check only):";
    const wchar_t* separator = L" ";
    for (CheckVerdict verdict : verdicts) {
        const auto n = std::count_if(outcomes_.begin(), outcomes_.end(),
                                     [&](const Outcome& o) { return o.verdict == verdict; });
        s << separator << n << L" " << verdictText(verdict);
        separator = L", ";
    }
    s << L".";
    env_.console->line(s.str());
}

void NoGuiRun::printUpdateSummary() {
    uint32_t updated = 0, upToDate = 0, failed = 0, other = 0;
    for (const Outcome& o : outcomes_) {
        if (o.result == ResultOk)
            ++updated;
        else if (o.result == ResultUpToDate)
            ++upToDate;
        else if (o.result == ResultUpdateFailed)
            ++failed;
        else
            ++other;
    }
    std::wostringstream s;
    s << L"Summary: " << updated << L" updated, " << upToDate << L" up to date, " << failed
      << L" failed, " << other << L" left out for other reasons.";
    env_.console->line(s.str());
}
