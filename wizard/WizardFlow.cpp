#include "WizardFlow.h"

#include "IpAddressCheck.h"
#include "KIVOptions.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "ModeResults.h"
#include "RunReport.h"
#include "StatusMessenger.h"
#include "UpdateOutcome.h"
#include "WizardContext.h"

#include <algorithm>

namespace {

// Told as a printer that does not answer.
const int32_t kNameUnmatchedError = ReasonNoAnswer;

std::wstring trimmed(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

KIVDevice* findListed(const KIVDeviceArray& devices, const std::wstring& entry) {
    for (KIVDevice* device : devices)
        if (device && (device->getName() == entry || device->getPortName() == entry ||
                       device->getIPAddress() == entry))
            return device;
    return nullptr;
}

// A printer found again by a new search is the same printer when it is
// reached the same way, not when it has the same name (printers of one model
// share theirs). A USB printer's port name is its place in the search's list,
// which can change between searches; its device path does not.
std::wstring printerKey(const KIVDevice& device) {
    if (device.getType() == KIVDevice::TypeUsb)
        return L"usb " + (device.getUsbDevicePath().empty() ? device.getPortName()
                                                            : device.getUsbDevicePath());
    return L"net " + device.getIPAddress() + L":" + std::to_wstring(device.getTcpPort()) + L" " +
           device.getPortName();
}

// The main firmware part of a version text ("K206_G082511_00|panel|scan").
std::wstring mainPart(const std::wstring& version) {
    return version.substr(0, version.find(L'|'));
}

} // namespace

WizardFlow::WizardFlow(const Environment& env, WizardContext& context)
    : env_(env), context_(context), trace_(nullptr), result_(0), notUpdated_(0), finished_(false),
      updateJob_() {}

WizardFlow::~WizardFlow() {
    for (KIVDeviceArray* array : listArrays_)
        env_.updater->freeDeviceArray(&array);
}

int32_t WizardFlow::run(MethodTrace& trace) {
    trace_ = &trace;
    env_.options->getReport().setPackageVersion(context_.packageVersion);
    const Step step = runSteps();
    // Every way out waits here: the context, the job records and the
    // engine must outlive whatever a worker may still touch.
    env_.workers->waitAll();
    if (step == Go)
        finish();
    return result_;
}

WizardFlow::Step WizardFlow::stop(int32_t result) {
    result_ = result;
    return Stop;
}

// A page whose template is missing would be asked for again and again; the
// run ends as it does without any language library.
WizardFlow::Step WizardFlow::missingPage(const wchar_t* page) {
    trace_->message(page, L" Dialog - could not be created (its template is missing)");
    return stop(ResultPagesMissing);
}

// The page's answer, after its "Open" line; the whole outcome into outcome
// where given. PageNotCreated when it could not be made: the run has then
// been stopped.
int32_t WizardFlow::showPage(const wchar_t* name, const PageRequest& request,
                             PageOutcome* outcome) {
    trace_->message(name, L" Dialog - Open");
    PageOutcome page = env_.pages->show(request, context_);
    if (page.result == PageNotCreated)
        missingPage(name);
    const int32_t result = page.result;
    if (outcome)
        *outcome = std::move(page);
    return result;
}

WizardFlow::Step WizardFlow::runSteps() {
    startEnumeration();
    if (env_.appMode != 3 && welcome() == Stop)
        return Stop;
    bool finishNow = false;
    if (licence(&finishNow) == Stop)
        return Stop;
    if (finishNow)
        return Go;
    while (!finished_) {
        bool updateNow = false;
        if (chooseDevices(&updateNow) == Stop)
            return Stop;
        // Another answer of the Select-device page goes straight to the re-scan.
        bool enumerate = false;
        if (updateNow && (updateAll() == Stop || (!finished_ && summary(&enumerate) == Stop)))
            return Stop;
        rescan(enumerate);
    }
    return Go;
}

void WizardFlow::startEnumeration() {
    trace_->message(L"Begin thread to enumerate devices");
    env_.workers->startEnumeration(context_);
}

WizardFlow::Step WizardFlow::welcome() {
    const int32_t result = showPage(L"Welcome", PageRequest(PageKind::Welcome));
    if (result == PageNotCreated)
        return Stop;
    if (result == PageClosed) {
        trace_->message(L"Welcome Dialog - Closed (close button)");
        return stop(ResultOk);
    }
    trace_->message(L"Welcome Dialog - Closed (continue button)");
    return Go;
}

WizardFlow::Step WizardFlow::licence(bool* finishNow) {
    switch (showPage(L"Eula", PageRequest(PageKind::Licence))) {
    case PageClosed:
        trace_->message(L"Eula Dialog - Closed (close button)");
        // An installer's run (mode 3) that nobody agreed to updated nothing.
        return stop(env_.appMode == 3 ? ResultLicenceDeclined : ResultOk);
    case PageSecond:
        trace_->message(L"Eula Dialog - Closed (disagree button)");
        return stop(ResultLicenceDeclined);
    case PageConfirm:
        trace_->message(L"Eula Dialog - Closed (agree button)");
        return Go;
    case PageNotCreated:
        return Stop;
    default:
        *finishNow = true;
        return Go;
    }
}

WizardFlow::Step WizardFlow::chooseDevices(bool* updateNow) {
    if (env_.appMode == 3) {
        if (verifyList() == Stop)
            return Stop;
        finished_ = true;
        *updateNow = true;
        return Go;
    }
    PageOutcome page;
    if (showPage(L"Select Device", PageRequest(PageKind::SelectDevice), &page) == PageNotCreated)
        return Stop;
    if (page.result == PageClosed) {
        trace_->message(L"Select Device Dialog - Closed (close button)");
        return stop(closedResult());
    }
    if (page.result != PageConfirm)
        return Go;
    trace_->message(L"Select Device Dialog - Closed (continue button)");
    *updateNow = true;
    return verifySelection(page.chosen);
}

// The printers themselves, not their rows: a search that ended after the page
// stopped waiting may have replaced the context's list by now.
WizardFlow::Step WizardFlow::verifySelection(const std::vector<KIVDevice>& chosen) {
    for (const KIVDevice& device : chosen) {
        const int32_t rc = env_.options->addDeviceToList(device);
        if (rc != 0) {
            trace_->message(L"Unable to add device to list! device=", device.getName());
            return stop(rc);
        }
        trace_->message(L"Device verified! device=", device.getName());
    }
    return Go;
}

// Mode 3: the command line names the printers. Each address entry gets an
// address record of its own, probed by a synchronous enumeration.
WizardFlow::Step WizardFlow::verifyList() {
    // The engine has no locks of its own: the background enumeration ends
    // before this one talks to the printers.
    env_.workers->waitEnumerations();
    const std::vector<std::wstring> entries = env_.options->getDeviceList();
    IpAddressArray addresses;
    std::vector<ipAddressObject> records;
    std::vector<int> recordOf(entries.size(), -1);
    // A list that came with nothing in it (a script whose list came back
    // blank, or no -d at all) names no printer: that is no run in which
    // every printer was updated.
    if (entries.empty()) {
        trace_->message(L"The device list names no printer");
        reportUnmatched(std::wstring(), addresses, recordOf, 0);
        return Go;
    }
    records.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        // " 10.0.0.9" names the same printer as "10.0.0.9": it is probed too.
        const std::wstring address = trimmed(entries[i]);
        if (checkIpAddress(address) != 1)
            continue;
        trace_->message(L"Add device to IPAddressList:", address);
        records.emplace_back(address);
        records.back().setStatus(ipAddressObject::NoPrinter);
        recordOf[i] = static_cast<int>(records.size() - 1);
    }
    for (ipAddressObject& record : records)
        addresses.push_back(&record);

    KIVDeviceArray* found = nullptr;
    env_.updater->createDeviceArray(&found);
    if (!found)
        return Go;
    listArrays_.push_back(found);
    // Printers that answered the search but not its check: one of them
    // named here was found, and is out of reach, not missing.
    KIVDeviceArray* silent = nullptr;
    env_.updater->createDeviceArray(&silent);
    if (silent)
        listArrays_.push_back(silent);
    env_.updater->enumerateFoundDevices(env_.options, found, silent, &addresses);

    std::vector<const KIVDevice*> queued;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::wstring entry = trimmed(entries[i]);
        // A blank entry would equal the empty address of every USB printer.
        KIVDevice* device = entry.empty() ? nullptr : findListed(*found, entry);
        KIVDevice* unchecked =
            device || entry.empty() || !silent ? nullptr : findListed(*silent, entry);
        if (unchecked) {
            refused(unchecked, entry, unreachableReason(*unchecked));
            continue;
        }
        if (!device) {
            reportUnmatched(entry, addresses, recordOf, i);
            continue;
        }
        // Its name and its address are one printer: it is flashed once.
        if (std::find(queued.begin(), queued.end(), device) != queued.end()) {
            trace_->message(L"Device already in the list! device=", entry);
            continue;
        }
        int32_t error = 0;
        if (env_.updater->isCompatibleDevice(env_.options, device, &error)) {
            queued.push_back(device);
            trace_->message(L"Verifying device=", device->getName());
            const int32_t rc = env_.options->addDeviceToList(*device);
            if (rc != 0) {
                trace_->message(L"Unable to add device to list! device=", entry);
                return stop(rc);
            }
            trace_->message(L"Device verified! device=", entry);
            listNames_.push_back(entry);
            continue;
        }
        refused(device, entry, error);
    }
    return Go;
}

void WizardFlow::refused(const KIVDevice* device, const std::wstring& entry, int32_t error) {
    report(entry, error);
    trace_->message(L"Invalid device! device=", entry, L" err=", error);
    ++notUpdated_;
    // A printer that did not answer the check may well fit: it is
    // unreachable, not the wrong printer.
    if (isUnreachableReason(error))
        result_ = ResultUnreachable;
    else
        result_ = device->getType() == KIVDevice::TypeIpAddress ? ResultIncompatibleAddress
                                                                : ResultIncompatible;
    record(device, entry, result_, error, device->getCurrVer(), device->getCurrVer());
}

void WizardFlow::reportUnmatched(const std::wstring& entry, const IpAddressArray& addresses,
                                 const std::vector<int>& recordOf, size_t entryIndex) {
    int32_t error = kNameUnmatchedError;
    if (checkIpAddress(entry) == 1) {
        const int record = recordOf[entryIndex];
        error = record >= 0 ? addresses[record]->getStatus()
                            : static_cast<int32_t>(ipAddressObject::NoPrinter);
        result_ = ResultAddressUnmatched;
    } else {
        result_ = ResultNameUnmatched;
    }
    report(entry, error);
    trace_->message(L"Invalid device! device=", entry, L" err=Invalid name", error);
    ++notUpdated_;
    KIVDevice named;
    if (result_ == ResultAddressUnmatched)
        named.setIPAddress(entry);
    record(&named, entry, result_, error);
}

void WizardFlow::record(const KIVDevice* device, const std::wstring& name, int32_t result,
                        int32_t errorCode, const std::wstring& before, const std::wstring& after) {
    outcomes_.push_back(result);
    RunReport::Printer p;
    p.name = name;
    if (device) {
        p.address = device->getIPAddress();
        p.port = device->getPortName();
        p.type = device->getType();
    }
    p.firmwareBefore = before;
    p.firmwareAfter = after;
    p.outcome = RunReport::outcomeOf(result);
    p.errorCode = errorCode;
    // Only an update's turn is timed; entries checked before any turn took none.
    if (turnStart_ != std::chrono::steady_clock::time_point())
        p.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - turnStart_).count();
    env_.options->getReport().addPrinter(p);
}

void WizardFlow::report(const std::wstring& name, int32_t errorCode) {
    if (env_.messenger)
        env_.messenger->displayStatus(name, true, errorCode, nullptr);
}

WizardFlow::Step WizardFlow::updateAll() {
    const uint32_t count = env_.options->getDevListSize();
    for (uint32_t i = 0; i < count; ++i)
        if (updateOne(&i, count) == Stop)
            return Stop;
    return Go;
}

// One turn of the update loop; steps *index back by one when the user asked
// to update the same printer again.
WizardFlow::Step WizardFlow::updateOne(uint32_t* index, uint32_t count) {
    const uint32_t i = *index;
    turnStart_ = std::chrono::steady_clock::now();
    // The engine has no locks of its own: a re-scan of the Select-device page
    // ends before this update's first question to the printer.
    env_.workers->waitEnumerations();
    KIVDevice device;
    const int32_t rc = env_.options->getDeviceAt(i, device);
    if (rc != 0) {
        trace_->message(L"Unable to retrieve device from list! device=", device.getName());
        return stop(rc);
    }
    const std::wstring name = device.getName();
    const std::wstring told = toldName(i, device);
    trace_->message(L"Device to update...device=", name);
    if (!env_.options->getForceMode() || env_.appMode == 3) {
        trace_->message(L"Forced mode off.  Check if package is newer for device=", name);
        if (!env_.updater->isPackageNewerThanDevice(env_.options, static_cast<int32_t>(i))) {
            report(told, StatusMessenger::DeviceAlreadyUpToDate);
            trace_->message(L"Update not attempted, device already up to date. device=", name);
            ++notUpdated_;
            result_ = ResultUpToDate;
            // Up to date only with the package's firmware to the letter (not
            // merely a version the comparison does not call older, such as
            // another letter's image): the Summary says so, and a printer
            // whose flash was told as failed but took after all is no longer
            // a failure. Any other skipped printer stays as it was.
            if (!device.getCurrVer().empty() &&
                mainPart(device.getCurrVer()) == mainPart(context_.packageVersion)) {
                env_.options->setDeviceStatusAt(i, KIVDevice::UpToDate);
                failed_.erase(printerKey(device));
            }
            record(&device, told, result_, StatusMessenger::DeviceAlreadyUpToDate,
                   device.getCurrVer(), device.getCurrVer());
            return Go;
        }
    }
    // Nobody would watch the update, and its outcome would be lost.
    if (!env_.pages->canShow(PageKind::Progress))
        return missingPage(L"Status");
    context_.currentIndex = static_cast<int32_t>(i);
    if (env_.resetProgress)
        env_.resetProgress();
    env_.updater->getDeviceVersionString(env_.options, static_cast<int32_t>(i),
                                         &context_.deviceVersion);

    updateDevice_ = device;
    updateJob_ = UpdateJob{&updateDevice_,          env_.options,  env_.updater,
                           static_cast<int32_t>(i), env_.progress, &context_};
    trace_->message(L"Begin updating device=", name, L" list number=", i);
    const bool started = env_.workers->startUpdate(updateJob_);

    trace_->message(L"Status Dialog - Open");
    const int32_t page =
        started ? env_.pages->show(PageRequest(PageKind::Progress), context_).result : PageConfirm;
    trace_->message(L"Status Dialog - Closed");
    // The worker is never stopped from outside: a closed or missing page
    // still waits for the engine's own bounded waits to end the update.
    const uint32_t code = started ? env_.workers->waitUpdate() : UpdateOutcome::Failed;
    trace_->message(L"End updating device=", name, L" list number=", i);
    // Only an update that reported success counts as one: a printer that did
    // not answer, or a worker that ended any other way, was not updated.
    const bool updated = code == UpdateOutcome::Updated;
    if (page == PageClosed) {
        if (updated)
            env_.options->setDeviceStatusAt(i, KIVDevice::Updated);
        else if (UpdateOutcome::refused(code))
            updateRefused(device, i, told, code);
        else if (UpdateOutcome::unanswered(code))
            updateUnanswered(device, i, told);
        else if (code != UpdateOutcome::TryAgain)
            updateFailed(device, i, told);
        recordIfAnyUpdated();
        leaveUnstarted(i + 1, count);
        return stop(closedResult());
    }
    if (page == PageNotCreated)
        return missingPage(L"Status");

    if (code == UpdateOutcome::TryAgain) {
        result_ = static_cast<int32_t>(code);
        --*index;
        return Go;
    }
    if (UpdateOutcome::refused(code)) {
        updateRefused(device, i, told, code);
        return Go;
    }
    if (UpdateOutcome::unanswered(code)) {
        updateUnanswered(device, i, told);
        return Go;
    }
    if (!updated) {
        // The error page has told the user; the Summary says FAILED.
        updateFailed(device, i, told);
        return Go;
    }
    result_ = ResultOk;
    // Its failure was told on a line of its own; the last line about it
    // tells how it ended.
    if (failed_.erase(printerKey(device)) != 0 && env_.messenger)
        env_.messenger->displayStatus(told, false, StatusMessenger::NoError, nullptr);
    env_.options->setDeviceStatusAt(i, KIVDevice::Updated);
    // Asked again only for a report: what the printer says now, never the
    // package's version in its place.
    std::wstring now;
    if (!env_.options->getReportPath().empty())
        env_.updater->getDeviceVersionString(env_.options, static_cast<int32_t>(i), &now);
    record(&device, told, ResultOk, StatusMessenger::NoError, context_.deviceVersion, now);
    return showResult(i, count);
}

void WizardFlow::updateFailed(const KIVDevice& device, uint32_t index, const std::wstring& name) {
    env_.options->setDeviceStatusAt(index, KIVDevice::UpdateFailed);
    report(name, StatusMessenger::ErrorUpdateFailed);
    record(&device, name, ResultUpdateFailed, StatusMessenger::ErrorUpdateFailed,
           context_.deviceVersion);
    failed_.insert(printerKey(device));
    result_ = ResultUpdateFailed;
}

// Nothing was sent: the printer did not answer before its update. The Summary
// lists it as FAILED and mode 1 ends with the failure; the result line and the
// report call it out of reach, as the console mode does, so that an installer
// does not take it for a printer left half flashed.
void WizardFlow::updateUnanswered(const KIVDevice& device, uint32_t index,
                                  const std::wstring& name) {
    env_.options->setDeviceStatusAt(index, KIVDevice::UpdateFailed);
    const int32_t reason = unreachableReason(device);
    report(name, reason);
    record(&device, name, ResultUnreachable, reason, context_.deviceVersion,
           context_.deviceVersion);
    failed_.insert(printerKey(device));
    result_ = ResultUpdateFailed;
}

// Nothing was sent: the printer refuses this firmware revision, or its
// firmware-letter change was not agreed to. The Summary lists it as FAILED
// and mode 1 ends with the failure; the result line and the report say what
// kept it from being updated, as the console mode does.
void WizardFlow::updateRefused(const KIVDevice& device, uint32_t index, const std::wstring& name,
                               uint32_t code) {
    env_.options->setDeviceStatusAt(index, KIVDevice::UpdateFailed);
    report(name, StatusMessenger::ErrorBadFW);
    record(&device, name,
           code == UpdateOutcome::Refused ? ResultRevisionMismatch : ResultConsentNeeded,
           StatusMessenger::ErrorBadFW, context_.deviceVersion, context_.deviceVersion);
    failed_.insert(printerKey(device));
    result_ = ResultUpdateFailed;
}

// What the result lines and the report call printer index of the list: in
// mode 3 the -d entry that named it, otherwise its name.
std::wstring WizardFlow::toldName(uint32_t index, const KIVDevice& device) const {
    return index < listNames_.size() ? listNames_[index] : device.getName();
}

// Mode 3 ended by a closed page: the printers of the list after the one just
// handled were never started. Each gets its failure line and record, as an
// interrupted console run gives them, so that the installer does not read
// the run as one in which every printer it named was updated.
void WizardFlow::leaveUnstarted(uint32_t from, uint32_t count) {
    if (env_.appMode != 3)
        return;
    // Their turns never began: no time is theirs.
    turnStart_ = std::chrono::steady_clock::time_point();
    for (uint32_t j = from; j < count; ++j) {
        KIVDevice device;
        if (env_.options->getDeviceAt(j, device) != 0)
            continue;
        const std::wstring told = toldName(j, device);
        trace_->message(L"Device not updated (the run was ended)! device=", told);
        report(told, StatusMessenger::ErrorUpdateFailed);
        record(&device, told, ResultUpdateFailed, StatusMessenger::ErrorUpdateFailed,
               device.getCurrVer());
    }
}

// A run that leaves a printer failed ends with that failure, however it ends.
// An installer's run (mode 3) ends with what became of every printer and
// entry it named, as the console mode does: an entry that matched nothing
// before an updated printer is no run in which every printer was updated.
int32_t WizardFlow::closedResult() const {
    if (env_.appMode == 3)
        return combineResults(outcomes_);
    return failed_.empty() ? ResultOk : ResultUpdateFailed;
}

WizardFlow::Step WizardFlow::showResult(uint32_t index, uint32_t count) {
    const bool last = index + 1 == count;
    if (env_.appMode == 3 && last)
        return Go;
    const int32_t result = showPage(L"Update", PageRequest(PageKind::Result, 0, last));
    if (result == PageNotCreated)
        return Stop;
    if (result == PageClosed) {
        trace_->message(L"Update Dialog - Closed (close button)");
        recordIfAnyUpdated();
        leaveUnstarted(index + 1, count);
        return stop(closedResult());
    }
    if (result == PageConfirm)
        trace_->message(L"Update Dialog - Closed (continue button)");
    return Go;
}

WizardFlow::Step WizardFlow::summary(bool* rescan) {
    switch (showPage(L"Summary", PageRequest(PageKind::Summary))) {
    case PageNotCreated:
        return Stop;
    case PageSecond:
        trace_->message(L"Summary Dialog - Closed (CLOSE button)");
        finished_ = true;
        return Go;
    case PageConfirm:
        // Log readers search for this line as it stands.
        trace_->message(L"Summary Dialog - Closed (retry button 0");
        // The record goes by the printers in the list, which the retry
        // forgets: one updated in this pass is recorded now, whatever the
        // passes after it do.
        recordIfAnyUpdated();
        env_.options->clearDeviceList();
        *rescan = true;
        return Go;
    case PageClosed:
        trace_->message(L"Summary Dialog - Closed (close button)");
        env_.workers->waitAll();
        trace_->message(L"Store version in registry");
        env_.recordVersion(env_.options, context_.packageVersion);
        return stop(closedResult());
    default:
        return Go;
    }
}

// A run that ends before its Summary (a page closed) still records the
// printers it updated.
void WizardFlow::recordIfAnyUpdated() {
    if (!anyUpdatedInList())
        return;
    trace_->message(L"Store version in registry");
    env_.recordVersion(env_.options, context_.packageVersion);
}

bool WizardFlow::anyUpdatedInList() const {
    for (uint32_t i = 0; i < env_.options->getDevListSize(); ++i) {
        KIVDevice device;
        if (env_.options->getDeviceAt(i, device) == 0 &&
            device.getUpdateStatus() == KIVDevice::Updated)
            return true;
    }
    return false;
}

// The arrays of earlier enumerations stay with their workers until those have
// ended; the context only forgets their devices.
void WizardFlow::rescan(bool enumerate) {
    context_.clearDevices();
    if (!enumerate)
        return;
    trace_->message(L"Begin thread to re-enumerate devices");
    env_.workers->startEnumeration(context_);
}

void WizardFlow::finish() {
    trace_->message(L"Store version in registry");
    env_.recordVersion(env_.options, context_.packageVersion);
    trace_->message(L"Updates completed!");
    env_.options->clearDeviceList();
    if (notUpdated_ > 1)
        result_ = ResultSeveralNotUpdated;
    // A failed flash outweighs printers that were only left out.
    if (!failed_.empty())
        result_ = ResultUpdateFailed;
    if (env_.appMode == 3)
        result_ = closedResult();
}
