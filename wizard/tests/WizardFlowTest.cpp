// The wizard's whole run with scripted pages, synchronous workers and the
// fake engine: page sequences, run results, the count of printers left out,
// mode 3's command-line list, and the log read back from the file.
#include "FakeUpdater.h"
#include "InstantWorkers.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"
#include "ModeResults.h"
#include "RunReport.h"
#include "StatusMessenger.h"
#include "TestSupport.h"
#include "UpdateOutcome.h"
#include "WizardContext.h"
#include "WizardFlow.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <sstream>

namespace {

// Answers each page from its script; an empty script gives the usual click
// (Select device: every row offered).
class ScriptedPages : public PageHost {
public:
    std::map<PageKind, std::deque<int32_t>> script;
    std::vector<PageKind> shown;
    std::vector<size_t> offered; // rows on each Select-device page
    // Printers the user picks on the Select-device page instead of every
    // row; they need not be in the context's list any more.
    std::vector<KIVDevice> pick;
    // The same for one page after another; an empty one offers every row.
    std::deque<std::vector<KIVDevice>> picks;

    PageOutcome show(const PageRequest& request, WizardContext& context) override {
        shown.push_back(request.kind);
        PageOutcome outcome{defaultFor(request.kind), {}, {}};
        std::deque<int32_t>& answers = script[request.kind];
        if (!answers.empty()) {
            outcome.result = answers.front();
            answers.pop_front();
        }
        if (request.kind == PageKind::SelectDevice) {
            const std::vector<KIVDevice*> rows = context.devices();
            offered.push_back(rows.size());
            for (size_t i = 0; i < rows.size(); ++i) {
                outcome.selection.push_back(static_cast<int32_t>(i));
                outcome.chosen.push_back(*rows[i]);
            }
            if (!pick.empty())
                outcome.chosen = pick;
            if (!picks.empty()) {
                if (!picks.front().empty())
                    outcome.chosen = picks.front();
                picks.pop_front();
            }
        }
        return outcome;
    }
    // A page whose template is missing answers so before it is shown.
    bool canShow(PageKind kind) const override {
        const auto it = script.find(kind);
        return it == script.end() || it->second.empty() || it->second.front() != PageNotCreated;
    }
    int count(PageKind kind) const {
        int n = 0;
        for (PageKind k : shown)
            n += k == kind;
        return n;
    }

private:
    static int32_t defaultFor(PageKind kind) {
        return kind == PageKind::Summary ? PageSecond : PageConfirm;
    }
};

// The engine has no locks: counts the questions about one printer that were
// asked while a search could still be talking to the printers.
struct WatchedEngine : FakeUpdater {
    const bool* searching = nullptr;
    int askedDuringSearch = 0;
    int versionReads = 0;

    bool isPackageNewerThanDevice(KIVOptions* o, int32_t i) override {
        note();
        return FakeUpdater::isPackageNewerThanDevice(o, i);
    }
    void getDeviceVersionString(KIVOptions* o, int32_t i, std::wstring* out) override {
        note();
        ++versionReads;
        FakeUpdater::getDeviceVersionString(o, i, out);
    }
    void note() { askedDuringSearch += *searching; }
};

FakeEnginePrinter printer(const wchar_t* name, const wchar_t* ip,
                          int32_t type = KIVDevice::TypeNetwork) {
    FakeEnginePrinter p;
    p.name = name;
    p.port = std::wstring(L"IP_") + ip;
    p.ip = ip;
    p.type = type;
    return p;
}

KIVDevice deviceOf(const FakeEnginePrinter& p) {
    KIVDevice d;
    d.setName(p.name);
    d.setIPAddress(p.ip);
    d.setPortName(p.port);
    d.setType(p.type);
    return d;
}

class WizardFlowTest : public ::testing::Test {
protected:
    WatchedEngine engine;
    KIVOptions options;
    ScriptedPages pages;
    InstantWorkers workers{engine};
    std::vector<int32_t> statusAtRecord; // each listed printer's, when the record is written

    WizardFlowTest() { engine.searching = &workers.searching; }
    std::wostringstream out;
    std::unique_ptr<StatusMessenger> messenger;
    int recorded = 0;
    int notUpdated = -1;

    void args(std::vector<const wchar_t*> a) {
        a.insert(a.begin(), L"KIV.EXE");
        options.parseCmdLine(static_cast<int>(a.size()), a.data());
        if (options.getErrors())
            messenger = std::make_unique<StatusMessenger>(out);
    }
    int32_t run() {
        WizardContext context(&options, &engine);
        context.packageVersion = engine.packageVersion;
        WizardFlow::Environment env{&pages,
                                    &workers,
                                    &engine,
                                    &options,
                                    messenger.get(),
                                    options.getAppMode() == 3 ? 3 : 1,
                                    nullptr,
                                    [this](KIVOptions* o, const std::wstring& v) {
                                        EXPECT_EQ(v, engine.packageVersion);
                                        ++recorded;
                                        statusAtRecord.clear();
                                        for (uint32_t i = 0; i < o->getDevListSize(); ++i) {
                                            KIVDevice d;
                                            o->getDeviceAt(i, d);
                                            statusAtRecord.push_back(d.getUpdateStatus());
                                        }
                                    },
                                    nullptr};
        MethodTrace trace(LogGUIMode, L"GuiMode::executeUpdateMode(): ");
        WizardFlow flow(env, context);
        const int32_t rc = flow.run(trace);
        notUpdated = flow.notUpdatedCount();
        EXPECT_EQ(workers.updatesRunning, 0) << "the run returned with a worker running";
        EXPECT_EQ(engine.askedDuringSearch, 0) << "a printer was asked while a search could run";
        return rc;
    }
};

// Lines of the flow, without their scope name, in the order written.
std::vector<std::string> flowLines(const ScopedTestLog& log) {
    const std::string scope = "GuiMode::executeUpdateMode(): ";
    std::vector<std::string> lines;
    for (const std::string& text : log.texts()) {
        const size_t at = text.find(scope);
        if (at != std::string::npos && text.size() > at + scope.size())
            lines.push_back(text.substr(at + scope.size()));
    }
    return lines;
}

TEST_F(WizardFlowTest, OnePrinterThroughEveryPageLogsTheRunInOrder) {
    ScopedTestLog log;
    engine.printers = {printer(L"K206", L"10.0.0.2")};
    args({L"-m", L"1"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(recorded, 1);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"K206"});
    EXPECT_EQ(options.getDevListSize(), 0u) << "the list is emptied at the end";
    EXPECT_EQ(flowLines(log),
              (std::vector<std::string>{
                  "Begin thread to enumerate devices", "Welcome Dialog - Open",
                  "Welcome Dialog - Closed (continue button)", "Eula Dialog - Open",
                  "Eula Dialog - Closed (agree button)", "Select Device Dialog - Open",
                  "Select Device Dialog - Closed (continue button)", "Device verified! device=K206",
                  "Device to update...device=K206", "Begin updating device=K206 list number=0",
                  "Status Dialog - Open", "Status Dialog - Closed",
                  "End updating device=K206 list number=0", "Update Dialog - Open",
                  "Update Dialog - Closed (continue button)", "Summary Dialog - Open",
                  "Summary Dialog - Closed (CLOSE button)", "Store version in registry",
                  "Updates completed!"}));
}

// A run ended by closing a page after a printer was updated still records
// it; before any update there is nothing to record.
TEST_F(WizardFlowTest, ClosingAnyPageEndsWithZeroAndRecordsWhatWasUpdated) {
    for (PageKind kind : {PageKind::Welcome, PageKind::Licence, PageKind::SelectDevice,
                          PageKind::Progress, PageKind::Result, PageKind::Summary}) {
        SCOPED_TRACE(static_cast<int>(kind));
        pages = ScriptedPages();
        recorded = 0;
        engine.printers = {printer(L"K206", L"10.0.0.2")};
        options.clearDeviceList();
        pages.script[kind] = {PageClosed};
        EXPECT_EQ(run(), ResultOk);
        const bool updated =
            kind == PageKind::Progress || kind == PageKind::Result || kind == PageKind::Summary;
        EXPECT_EQ(recorded, updated ? 1 : 0);
        EXPECT_EQ(pages.shown.back(), kind) << "nothing is shown after the close";
    }
    // An installer's run that nobody agreed to updated nothing.
    pages = ScriptedPages();
    pages.script[PageKind::Licence] = {PageClosed};
    engine.updated.clear();
    args({L"-m", L"3", L"-d", L"K206"});
    EXPECT_EQ(run(), ResultLicenceDeclined);
    EXPECT_TRUE(engine.updated.empty());
}

TEST_F(WizardFlowTest, LicenceAnswersAndPagesThatCannotBeCreated) {
    pages.script[PageKind::Licence] = {PageSecond};
    EXPECT_EQ(run(), ResultLicenceDeclined);
    EXPECT_EQ(recorded, 0);

    pages = ScriptedPages();
    pages.script[PageKind::Licence] = {5};
    EXPECT_EQ(run(), ResultOk) << "any other licence result finishes the run";
    EXPECT_EQ(recorded, 1);
    EXPECT_EQ(pages.count(PageKind::SelectDevice), 0);

    engine.printers = {printer(L"K206", L"10.0.0.2")};
    for (PageKind kind : {PageKind::Welcome, PageKind::Licence, PageKind::SelectDevice,
                          PageKind::Progress, PageKind::Result, PageKind::Summary}) {
        SCOPED_TRACE(static_cast<int>(kind));
        pages = ScriptedPages();
        options.clearDeviceList();
        engine.updated.clear();
        pages.script[kind] = {PageNotCreated, PageNotCreated, PageNotCreated};
        EXPECT_EQ(run(), ResultPagesMissing);
        if (kind == PageKind::Progress) {
            // Known before the printer is touched: nobody could watch it.
            EXPECT_EQ(pages.count(kind), 0);
            EXPECT_TRUE(engine.updated.empty());
        } else {
            EXPECT_EQ(pages.count(kind), 1) << "the page is not asked for again";
        }
    }
}

// The page stopped waiting before the search ended, the user added a printer
// by address and chose it; by then the late result has replaced the list.
TEST_F(WizardFlowTest, ThePrinterChosenIsThePrinterUpdated) {
    engine.printers = {printer(L"Office", L"10.0.0.2"),
                       printer(L"Lobby", L"10.0.0.3", KIVDevice::TypeIpAddress)};
    KIVDevice lobby;
    lobby.setName(L"Lobby");
    lobby.setIPAddress(L"10.0.0.3");
    lobby.setPortName(L"IP_10.0.0.3");
    lobby.setType(KIVDevice::TypeIpAddress);
    pages.pick = {lobby};
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"Lobby"});
}

TEST_F(WizardFlowTest, RunResultsOfTheUpdateLoop) {
    // The last printer fails: 14, even after an earlier success, and no
    // Result page tells of a success after its error page.
    engine.printers = {printer(L"A", L"10.0.0.2"), printer(L"B", L"10.0.0.3")};
    engine.printers[1].updateResult = IUpdater::UpdateFailed;
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(pages.shown,
              (std::vector<PageKind>{PageKind::Welcome, PageKind::Licence, PageKind::SelectDevice,
                                     PageKind::Progress, PageKind::Result, PageKind::Progress,
                                     PageKind::Summary}));

    // Worker code 15 updates the same printer again; then it succeeds.
    pages = ScriptedPages();
    engine.updated.clear();
    engine.printers = {printer(L"A", L"10.0.0.2")};
    workers.exitCodes = {UpdateOutcome::TryAgain, UpdateOutcome::Updated};
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated, (std::vector<std::wstring>{L"A", L"A"}));
    EXPECT_EQ(pages.count(PageKind::Result), 1);

    // The default force flag updates an up-to-date printer; -f 2 skips it.
    engine.updated.clear();
    engine.printers[0].packageNewer = false;
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated.size(), 1u);
    args({L"-m", L"1", L"-f", L"2", L"-e", L"1"});
    engine.updated.clear();
    engine.printers[0].version = engine.packageVersion;
    EXPECT_EQ(run(), ResultUpToDate);
    EXPECT_TRUE(engine.updated.empty());
    EXPECT_EQ(out.str(), L"Device: A, Result: Failure, ErrorCode: DeviceAlreadyUpToDate\n");
    // The Summary tells it as up to date, not as failed.
    EXPECT_EQ(statusAtRecord, (std::vector<int32_t>{KIVDevice::UpToDate}));

    // Two printers skipped: 17 whatever the last one did.
    engine.printers.push_back(printer(L"B", L"10.0.0.3"));
    engine.printers[1].packageNewer = false;
    engine.printers.push_back(printer(L"C", L"10.0.0.4"));
    EXPECT_EQ(run(), ResultSeveralNotUpdated);
    EXPECT_EQ(notUpdated, 2);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"C"});
}

TEST_F(WizardFlowTest, AFailedUpdateIsNeverToldAsASuccess) {
    // Mode 3, the first printer's update fails: its result line, no Result
    // page, and the run ends with the failure although the last one is
    // updated. A worker that ended without either answer of the no-answer
    // page failed as well: its printer gets no installed-version record.
    ScopedTestLog log;
    engine.printers = {printer(L"A", L"10.0.0.2"), printer(L"B", L"10.0.0.3"),
                       printer(L"C", L"10.0.0.4")};
    args({L"-m", L"3", L"-e", L"1", L"-d", L"A,B,C"});
    workers.exitCodes = {UpdateOutcome::Failed, UpdateOutcome::NoAnswerUnresolved,
                         UpdateOutcome::Updated};
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(pages.shown, (std::vector<PageKind>{PageKind::Licence, PageKind::Progress,
                                                  PageKind::Progress, PageKind::Progress}));
    EXPECT_EQ(statusAtRecord, (std::vector<int32_t>{KIVDevice::UpdateFailed,
                                                    KIVDevice::UpdateFailed, KIVDevice::Updated}));
    // B did not answer before its update: nothing was sent, and it is told
    // out of reach, as the console mode tells it.
    EXPECT_EQ(out.str(), L"Device: A, Result: Failure, ErrorCode: ErrorUpdateFailed\n"
                         L"Device: B, Result: Failure, ErrorCode: Miscellaneous Error\n");
    EXPECT_EQ(findText(flowLines(log), "Update Dialog"), -1);
    pages = ScriptedPages();
    engine.printers = {printer(L"A", L"10.0.0.2")};
    args({L"-m", L"3", L"-d", L"A"});
    workers.exitCodes = {UpdateOutcome::NoAnswerGivenUp};
    EXPECT_EQ(run(), ResultUnreachable);
    EXPECT_EQ(options.getReport().printers().back().outcome, RunReport::Unreachable);

    // A failure outweighs printers left out, and closing a later page does
    // not turn it into a success.
    // (The IP-entry page is never shown here: a run to its end.)
    for (PageKind closed :
         {PageKind::SelectAddress, PageKind::Progress, PageKind::Result, PageKind::Summary}) {
        SCOPED_TRACE(static_cast<int>(closed));
        pages = ScriptedPages();
        pages.script[closed] = {PageClosed};
        args({L"-m", L"1", L"-f", L"2"});
        engine.printers = {printer(L"A", L"10.0.0.2"), printer(L"B", L"10.0.0.3"),
                           printer(L"C", L"10.0.0.4"), printer(L"D", L"10.0.0.5")};
        engine.printers[0].updateResult = IUpdater::UpdateFailed;
        engine.printers[1].packageNewer = engine.printers[2].packageNewer = false;
        EXPECT_EQ(run(), ResultUpdateFailed);
    }
}

TEST_F(WizardFlowTest, RetryFromSummaryEnumeratesAgainAndKeepsCounting) {
    engine.printers = {printer(L"A", L"10.0.0.2")};
    engine.printers[0].packageNewer = false;
    args({L"-m", L"1", L"-f", L"2"});
    pages.script[PageKind::Summary] = {PageConfirm, PageConfirm, PageSecond};
    pages.script[PageKind::SelectDevice] = {PageConfirm, PageConfirm, 4};
    EXPECT_EQ(run(), ResultSeveralNotUpdated) << "one skip in each of two passes";
    EXPECT_EQ(notUpdated, 2);
    EXPECT_EQ(engine.enumerations, 3) << "retry enumerates; another Select result does not";
    EXPECT_EQ(pages.count(PageKind::Summary), 3) << "no Summary after another Select result";
    EXPECT_EQ(pages.offered, (std::vector<size_t>{1, 1, 1, 0}))
        << "a pass without retry forgets the devices";
    EXPECT_EQ(recorded, 1);
}

// The run ends with a failure only for a printer that the run left failed.
TEST_F(WizardFlowTest, APrinterUpdatedOnRetryIsNoLongerAFailure) {
    // Its failure line is followed by one of its success; the version is
    // recorded for B's update before the retry forgets it, and again at the end.
    args({L"-e", L"1"});
    engine.printers = {printer(L"A", L"10.0.0.2"), printer(L"B", L"10.0.0.3")};
    pages.script[PageKind::Summary] = {PageConfirm, PageSecond};
    workers.exitCodes = {UpdateOutcome::Failed, UpdateOutcome::Updated, UpdateOutcome::Updated,
                         UpdateOutcome::Updated};
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated, (std::vector<std::wstring>{L"A", L"B", L"A", L"B"}));
    EXPECT_EQ(out.str(), L"Device: A, Result: Failure, ErrorCode: ErrorUpdateFailed\n"
                         L"Device: A, Result: Success\n");
    EXPECT_EQ(recorded, 2);

    // The flash took although its check failed: found with the package's
    // firmware on the retry (-f 2), the printer is no failure either; its
    // last line is the usual one of a printer left as it was. Found with
    // another letter of that build, which the engine does not call up to
    // date, it is updated again, and fails again.
    for (const wchar_t* after : {L"K206_G082511_00", L"K206_H082511_00"}) {
        SCOPED_TRACE(after);
        out.str(L"");
        pages = ScriptedPages();
        pages.script[PageKind::Summary] = {PageConfirm, PageSecond};
        engine.printers = {printer(L"A", L"10.0.0.2")};
        engine.printers[0].updateResult = IUpdater::UpdateFailed;
        const bool took = std::wstring(after) == engine.packageVersion;
        engine.duringUpdate = [this, after, took](const std::wstring&) {
            engine.printers[0].packageNewer = !took;
            engine.printers[0].version = after;
        };
        args({L"-f", L"2"});
        EXPECT_EQ(run(), took ? ResultUpToDate : ResultUpdateFailed);
        EXPECT_EQ(out.str(), std::wstring(L"Device: A, Result: Failure, ErrorCode: "
                                          L"ErrorUpdateFailed\n") +
                                 (took ? L"Device: A, Result: Failure, ErrorCode: "
                                         L"DeviceAlreadyUpToDate\n"
                                       : L"Device: A, Result: Failure, ErrorCode: "
                                         L"ErrorUpdateFailed\n"));
        // The Summary calls it up to date only in the first case, failed in the other.
        EXPECT_EQ(statusAtRecord,
                  (std::vector<int32_t>{took ? KIVDevice::UpToDate : KIVDevice::UpdateFailed}));
    }
    engine.duringUpdate = nullptr;

    // The first pass fails A, the retry updates only B: A is still failed.
    engine.printers = {printer(L"A", L"10.0.0.2"), printer(L"B", L"10.0.0.3")};
    pages = ScriptedPages();
    pages.script[PageKind::Summary] = {PageConfirm, PageSecond};
    pages.picks = {{}, {deviceOf(engine.printers[1])}};
    workers.exitCodes = {UpdateOutcome::Failed, UpdateOutcome::Updated, UpdateOutcome::Updated};
    engine.updated.clear();
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(engine.updated, (std::vector<std::wstring>{L"A", L"B", L"B"}));

    // Two printers of one model, named alike, each known only by the address
    // an installer gave: the second one's success does not hide the first
    // one's failure.
    pages = ScriptedPages();
    engine.updated.clear();
    engine.printers = {printer(L"K206", L"10.0.0.2", KIVDevice::TypeIpAddress),
                       printer(L"K206", L"10.0.0.3", KIVDevice::TypeIpAddress)};
    for (FakeEnginePrinter& p : engine.printers)
        p.port.clear();
    args({L"-m", L"3", L"-d", L"10.0.0.2,10.0.0.3"});
    workers.exitCodes = {UpdateOutcome::Failed, UpdateOutcome::Updated};
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(engine.updated.size(), 2u);
}

TEST_F(WizardFlowTest, ModeThreeChecksTheListAgainstASynchronousEnumeration) {
    ScopedTestLog log;
    engine.printers = {printer(L"PrinterA", L"10.0.0.2")};
    // Its port name names it a second time: it is still flashed once.
    args({L"-m", L"3", L"-e", L"1", L"-d", L"PrinterA,192.168.0.9,IP_10.0.0.2"});
    // The address where nothing answered is the run's result, whatever came
    // after it: the installer named a printer that was not updated.
    EXPECT_EQ(run(), ResultAddressUnmatched);
    EXPECT_EQ(notUpdated, 1);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"PrinterA"});
    EXPECT_EQ(engine.probedAddresses, std::vector<std::wstring>{L"192.168.0.9"});
    EXPECT_EQ(pages.shown, (std::vector<PageKind>{PageKind::Licence, PageKind::Progress}))
        << "no Welcome, Select, last Result or Summary page";
    EXPECT_EQ(out.str(), L"Device: 192.168.0.9, Result: Failure, ErrorCode: ErrorIPNoPrinter\n");
    const std::vector<std::string> lines = flowLines(log);
    const int verified = findText(lines, "Device verified! device=PrinterA");
    EXPECT_GE(verified, 0);
    EXPECT_GT(findText(lines, "Invalid device! device=192.168.0.9 err=Invalid name2"), verified);
    EXPECT_GT(workers.enumerationWaits, 0) << "the background enumeration ends first";
}

TEST_F(WizardFlowTest, ModeThreeResultsOfEntriesLeftOut) {
    // An address entry reports its own record, not one of an earlier entry.
    engine.printers = {printer(L"K206", L"10.0.0.5", KIVDevice::TypeIpAddress),
                       printer(L"Wrong", L"10.0.0.7", KIVDevice::TypeIpAddress)};
    engine.printers[1].compatible = false;
    // Blanks around an address do not keep it from being probed; a blank
    // entry matches nothing, not the empty address of a USB printer.
    engine.printers.push_back(printer(L"Usb", L"", KIVDevice::TypeUsb));
    args({L"-m", L"3", L"-e", L"1", L"-d", L"10.0.0.5, 10.0.0.9 ,10.0.0.7,  "});
    EXPECT_EQ(run(), ResultSeveralNotUpdated);
    EXPECT_EQ(engine.probedAddresses,
              (std::vector<std::wstring>{L"10.0.0.5", L"10.0.0.9", L"10.0.0.7"}));
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"K206"});
    EXPECT_EQ(out.str(), L"Device: 10.0.0.9, Result: Failure, ErrorCode: ErrorIPNoPrinter\n"
                         L"Device: 10.0.0.7, Result: Failure, ErrorCode: ErrorIPWrongPrinter\n"
                         L"Device: , Result: Failure, ErrorCode: Miscellaneous Error\n");
    EXPECT_EQ(notUpdated, 3);

    // Names and addresses that match nothing, and listed printers that do
    // not fit (the engine lists them, the check refuses them).
    struct Refusing : FakeUpdater {
        int32_t listedType = KIVDevice::TypeNetwork;
        int32_t reason = 10;
        int32_t enumerateFoundDevices(KIVOptions* o, KIVDeviceArray* d, KIVDeviceArray* u,
                                      IpAddressArray* a) override {
            const int32_t rc = FakeUpdater::enumerateFoundDevices(o, d, u, a);
            for (KIVDevice* device : *d)
                device->setType(listedType);
            return rc;
        }
        bool isCompatibleDevice(KIVOptions*, KIVDevice*, int32_t* why) override {
            *why = reason;
            return false;
        }
    };
    const struct {
        const wchar_t* entry;
        int32_t type;
        int32_t reason;
        int32_t result;
    } cases[] = {{L"Nobody", KIVDevice::TypeNetwork, 10, ResultNameUnmatched},
                 // A list that came back blank names nobody either.
                 {L"", KIVDevice::TypeNetwork, 10, ResultNameUnmatched},
                 {L" ,", KIVDevice::TypeNetwork, 10, ResultNameUnmatched},
                 {L"10.0.0.9", KIVDevice::TypeNetwork, 10, ResultAddressUnmatched},
                 {L"K206", KIVDevice::TypeIpAddress, 3, ResultIncompatibleAddress},
                 {L"IP_10.0.0.5", KIVDevice::TypeUsb, 10, ResultIncompatible},
                 // Found, but silent when checked: it may well fit.
                 {L"K206", KIVDevice::TypeIpAddress, 2, ResultUnreachable},
                 {L"IP_10.0.0.5", KIVDevice::TypeNetwork, 9, ResultUnreachable}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.entry)));
        Refusing refusing;
        refusing.listedType = c.type;
        refusing.reason = c.reason;
        refusing.printers = {printer(L"K206", L"10.0.0.5")};
        KIVOptions fresh;
        const wchar_t* a[] = {L"KIV.EXE", L"-m", L"3", L"-d", c.entry};
        fresh.parseCmdLine(5, a);
        ScriptedPages script;
        InstantWorkers instant(refusing);
        WizardContext context(&fresh, &refusing);
        WizardFlow flow({&script, &instant, &refusing, &fresh, nullptr, 3, nullptr,
                         [](KIVOptions*, const std::wstring&) {}, nullptr},
                        context);
        MethodTrace trace(LogGUIMode, L"GuiMode::executeUpdateMode(): ");
        EXPECT_EQ(flow.run(trace), c.result);
        EXPECT_EQ(flow.notUpdatedCount(), 1);
        EXPECT_TRUE(refusing.updated.empty());
    }
}

// Mode 3 calls each printer by the -d entry that named it (two of one model
// are told apart), tells a refused revision as such, and gives the printers
// that a closed page left unstarted their failure: the installer cannot read
// the run as complete.
TEST_F(WizardFlowTest, ModeThreeTellsEachEntryWhatBecameOfIt) {
    engine.printers = {printer(L"K206", L"10.0.0.2", KIVDevice::TypeIpAddress),
                       printer(L"K206", L"10.0.0.3", KIVDevice::TypeIpAddress),
                       printer(L"K206", L"10.0.0.4", KIVDevice::TypeIpAddress)};
    for (FakeEnginePrinter& p : engine.printers)
        p.port.clear();
    workers.exitCodes = {UpdateOutcome::Refused, UpdateOutcome::Updated};
    pages.script[PageKind::Result] = {PageClosed};
    args({L"-m", L"3", L"-e", L"1", L"-report", L"r.json", L"-d", L"10.0.0.2,10.0.0.3,10.0.0.4"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(out.str(), L"Device: 10.0.0.2, Result: Failure, ErrorCode: ErrorBadFW\n"
                         L"Device: 10.0.0.4, Result: Failure, ErrorCode: ErrorUpdateFailed\n");
    std::vector<std::wstring> got;
    for (const RunReport::Printer& p : options.getReport().printers())
        got.push_back(p.name + L"=" + std::to_wstring(p.outcome));
    EXPECT_EQ(got,
              (std::vector<std::wstring>{L"10.0.0.2=" + std::to_wstring(RunReport::Incompatible),
                                         L"10.0.0.3=" + std::to_wstring(RunReport::Updated),
                                         L"10.0.0.4=" + std::to_wstring(RunReport::Failed)}));
    // The printer never started took no time of its own.
    EXPECT_EQ(options.getReport().printers().back().seconds, 0.0);

    // Refused alone: mode 3 ends as the console mode does; mode 1 with the
    // failure its Summary lists.
    for (const wchar_t* mode : {L"3", L"1"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(mode)));
        KIVOptions fresh;
        options.clearDeviceList();
        pages = ScriptedPages();
        engine.printers = {printer(L"A", L"10.0.0.2")};
        workers.exitCodes = {UpdateOutcome::ConsentRefused};
        const std::wstring m = mode;
        args({L"-m", mode, L"-d", L"A"});
        EXPECT_EQ(run(), m == L"3" ? ResultConsentNeeded : ResultUpdateFailed);
    }
}

// A printer that answered the search but not its check, named by its port:
// found, and out of reach (as the console mode tells it), not missing.
TEST_F(WizardFlowTest, ModeThreeTellsAFoundButSilentPrinterUnreachable) {
    engine.printers = {printer(L"K206", L"10.0.0.5")};
    engine.printers[0].answersCheck = false;
    args({L"-m", L"3", L"-e", L"1", L"-d", L"IP_10.0.0.5"});
    EXPECT_EQ(run(), ResultUnreachable);
    EXPECT_EQ(out.str(), L"Device: IP_10.0.0.5, Result: Failure, ErrorCode: Miscellaneous Error\n");
    EXPECT_TRUE(engine.updated.empty());
}

} // namespace

// The report holds every printer and entry of the run as it ended for it. The
// printer is asked for its version after an update only when a report wants
// it: a run without the option talks to the printers as it always did.
TEST_F(WizardFlowTest, ReportRecordsEachPrinterAndEntryOfTheRun) {
    engine.printers = {printer(L"A", L"10.0.0.2"), printer(L"B", L"10.0.0.3"),
                       printer(L"C", L"10.0.0.4", KIVDevice::TypeUsb)};
    engine.printers[0].updateResult = IUpdater::UpdateFailed;
    engine.printers[1].packageNewer = false;
    args({L"-m", L"3", L"-d", L"A,B,10.0.0.9,C"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    const int readsWithout = engine.versionReads;
    engine.printers[2].version = L"K206_G010111_00";
    engine.versionReads = 0;
    args({L"-report", L"r.json"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(engine.versionReads, readsWithout + 1) << "one read back, of the printer updated";
    std::vector<std::wstring> got;
    for (const RunReport::Printer& p : options.getReport().printers())
        got.push_back(p.name + L"=" + std::to_wstring(p.outcome) + L"/" + p.address + L"/" +
                      std::to_wstring(p.type) + L"/" + p.firmwareBefore + L"/" + p.firmwareAfter +
                      L"/" + std::to_wstring(p.errorCode));
    ASSERT_EQ(got.size(), 8u);
    const std::wstring old = L"K206_G010111_00/";
    EXPECT_EQ(std::vector<std::wstring>(got.begin() + 4, got.end()),
              (std::vector<std::wstring>{
                  L"10.0.0.9=6/10.0.0.9/0///2",
                  L"A=3/10.0.0.2/3/" + old + L"/4",
                  L"B=1/10.0.0.3/3/" + old + L"K206_G010111_00/7",
                  L"C=0/10.0.0.4/4/" + old + L"K206_G082511_00/0",
              }));
}
