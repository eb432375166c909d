#include "FakeUpdater.h"
#include "NoGuiRun.h"
#include "RunReport.h"
#include "RunResult.h"
#include "StatusMessenger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

bool looksLikeAddress(const std::wstring& s) {
    int dots = 0;
    for (wchar_t c : s) {
        if (c == L'.')
            ++dots;
        else if (c < L'0' || c > L'9')
            return false;
    }
    return dots == 3;
}

FakeEnginePrinter spoolerPrinter(const wchar_t* name, const wchar_t* port, const wchar_t* ip) {
    FakeEnginePrinter p;
    p.name = name;
    p.port = port;
    p.ip = ip;
    p.type = KIVDevice::TypeNetwork;
    return p;
}

FakeEnginePrinter addressPrinter(const wchar_t* ip) {
    FakeEnginePrinter p;
    p.name = L"K206";
    p.ip = ip;
    p.type = KIVDevice::TypeIpAddress;
    return p;
}

class NoGuiRunTest : public ::testing::Test {
protected:
    FakeUpdater engine;
    KIVOptions options;
    std::wostringstream out;
    ConsoleOutput console{out, false};
    std::unique_ptr<StatusMessenger> messenger;
    std::vector<NoGuiRun::Outcome> outcomes;
    std::unique_ptr<RunReport> report;
    std::atomic<uint64_t> now{0};
    uint32_t parallel = 1;
    std::function<bool()> stopRequested;

    void args(std::vector<const wchar_t*> a) {
        a.insert(a.begin(), L"KIV.EXE");
        options.parseCmdLine(static_cast<int>(a.size()), a.data());
        if (options.getErrors())
            messenger = std::make_unique<StatusMessenger>(out);
    }

    int32_t run() {
        NoGuiRun::Environment env;
        env.updater = &engine;
        env.options = &options;
        env.console = &console;
        env.messenger = messenger.get();
        env.isIpAddress = looksLikeAddress;
        env.clockMs = [this] { return now += 500; };
        env.bootSeconds = 2;
        env.parallel = parallel;
        env.checkOnly = options.getCheckOnly(); // as the mode passes it on
        env.stopRequested = stopRequested;
        NoGuiRun r(env);
        int32_t rc = r.run();
        outcomes = r.outcomes();
        report = std::make_unique<RunReport>();
        r.fillReport(*report);
        return rc;
    }

    std::vector<std::wstring> resultLines() const {
        std::vector<std::wstring> lines;
        std::wistringstream in(out.str());
        for (std::wstring line; std::getline(in, line);) {
            if (line.rfind(L"Device: ", 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }

    int32_t statusAt(uint32_t i) {
        KIVDevice d;
        EXPECT_EQ(options.getDeviceAt(i, d), 0);
        return d.getUpdateStatus();
    }
};

TEST_F(NoGuiRunTest, UpdatesEveryEnumeratedPrinterAndReportsSuccess) {
    engine.printers = {spoolerPrinter(L"K206 office", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"K206 lab", L"IP_10.0.0.3", L"10.0.0.3")};
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_FALSE(engine.enumeratedWithAddresses);
    EXPECT_EQ(engine.updated, (std::vector<std::wstring>{L"K206 office", L"K206 lab"}));
    EXPECT_EQ(engine.sprAnsweredSeen, (std::vector<bool>{false, false}));
    EXPECT_EQ(statusAt(0), KIVDevice::Updated);
    EXPECT_EQ(statusAt(1), KIVDevice::Updated);
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{L"Device: K206 office, Result: Success",
                                                        L"Device: K206 lab, Result: Success"}));
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].version, engine.packageVersion);
    EXPECT_EQ(engine.arraysMade, engine.arraysFreed);
}

TEST_F(NoGuiRunTest, PrintersSharingANameAreToldApartInResultLines) {
    engine.printers = {spoolerPrinter(L"K206", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"K206", L"IP_10.0.0.3", L"10.0.0.3"),
                       spoolerPrinter(L"K310", L"IP_10.0.0.4", L"10.0.0.4"),
                       // Another port of the print server at 10.0.0.3.
                       spoolerPrinter(L"K206", L"IP_10.0.0.3_2", L"10.0.0.3")};
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(resultLines(),
              (std::vector<std::wstring>{L"Device: K206 (10.0.0.2), Result: Success",
                                         L"Device: K206 (IP_10.0.0.3), Result: Success",
                                         L"Device: K310, Result: Success",
                                         L"Device: K206 (IP_10.0.0.3_2), Result: Success"}));
}

TEST_F(NoGuiRunTest, NothingFoundIsNotSuccess) {
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUnreachable);
    EXPECT_TRUE(engine.updated.empty());
    EXPECT_TRUE(resultLines().empty());
    EXPECT_NE(out.str().find(L"No compatible printer"), std::wstring::npos);
}

TEST_F(NoGuiRunTest, NoArrayFromTheEngineIsNothingFound) {
    struct NoArrays : FakeUpdater {
        void createDeviceArray(KIVDeviceArray** out) override { *out = nullptr; }
    } engineWithoutMemory;
    engineWithoutMemory.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2")};
    for (const wchar_t* list : {L"", L"A,10.0.0.9"}) {
        KIVOptions fresh;
        std::vector<const wchar_t*> a{L"KIV.EXE", L"-m", L"2"};
        if (*list) {
            a.push_back(L"-d");
            a.push_back(list);
        }
        fresh.parseCmdLine(static_cast<int>(a.size()), a.data());
        NoGuiRun r({&engineWithoutMemory, &fresh, &console, nullptr, looksLikeAddress,
                    [this] { return now += 500; }, 2});
        EXPECT_EQ(r.run(), ResultUnreachable) << list;
        EXPECT_EQ(r.updatedCount(), 0) << list;
        EXPECT_TRUE(engineWithoutMemory.updated.empty()) << list;
    }
}

TEST_F(NoGuiRunTest, ForceOffSkipsPrinterThatIsUpToDate) {
    FakeEnginePrinter current = spoolerPrinter(L"K206", L"IP_10.0.0.2", L"10.0.0.2");
    current.packageNewer = false;
    engine.printers = {current};
    args({L"-m", L"2", L"-e", L"1", L"-f", L"2"});
    EXPECT_EQ(run(), ResultUpToDate);
    EXPECT_TRUE(engine.updated.empty());
    EXPECT_EQ(statusAt(0), KIVDevice::NotHandled);
    EXPECT_EQ(resultLines(),
              (std::vector<std::wstring>{
                  L"Device: K206, Result: Failure, ErrorCode: DeviceAlreadyUpToDate"}));

    // Forced (the default), the same printer is flashed.
    args({L"-f", L"1"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated.size(), 1u);
}

TEST_F(NoGuiRunTest, FailedVersionQuestionMeansUpdateNotUpToDate) {
    FakeEnginePrinter unread = spoolerPrinter(L"K206", L"IP_10.0.0.2", L"10.0.0.2");
    unread.packageNewer = false;
    unread.newerThrows = true;
    engine.printers = {unread};
    args({L"-m", L"2", L"-e", L"1", L"-f", L"2"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"K206"});
    EXPECT_EQ(resultLines(), std::vector<std::wstring>{L"Device: K206, Result: Success"});
}

// Ctrl+C during a flash: that printer is finished, the ones after it are not
// started and are told so, and the run ends as a failed one.
TEST_F(NoGuiRunTest, AnInterruptedRunFinishesItsFlashAndStartsNoOther) {
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"B", L"IP_10.0.0.3", L"10.0.0.3"),
                       spoolerPrinter(L"C", L"IP_10.0.0.4", L"10.0.0.4")};
    std::atomic<bool> stop{false};
    stopRequested = [&] { return stop.load(); };
    engine.duringUpdate = [&](const std::wstring&) { stop = true; };
    now = 1000000000; // a machine up for days
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"A"});
    EXPECT_EQ(statusAt(0), KIVDevice::Updated);
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{
                                 L"Device: A, Result: Success",
                                 L"Device: B, Result: Failure, ErrorCode: ErrorUpdateFailed",
                                 L"Device: C, Result: Failure, ErrorCode: ErrorUpdateFailed"}));
    EXPECT_NE(out.str().find(L"[3] C: not updated (the run was interrupted)"), std::wstring::npos)
        << out.str();
    // The printers never started are still described, and took no time.
    ASSERT_EQ(report->printers().size(), 3u);
    const RunReport::Printer c = report->printers()[2];
    EXPECT_EQ(c.address, L"10.0.0.4");
    EXPECT_LT(c.seconds, 5.0);
}

// A mistyped option never becomes another run: "-D" would update every
// printer found, "-Check 1" flash where a check was asked for, and a second
// address after a blank would be left out.
TEST_F(NoGuiRunTest, AnArgumentNotUnderstoodSendsNothing) {
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"B", L"IP_10.0.0.3", L"10.0.0.3")};
    const std::pair<std::vector<const wchar_t*>, const wchar_t*> cases[] = {
        {{L"-m", L"2", L"-D", L"10.0.0.3"}, L"-D 10.0.0.3."},
        {{L"-m", L"2", L"-Check", L"1", L"-d", L"A"}, L"-Check 1."},
        {{L"-m", L"2", L"-d", L"10.0.0.2", L"10.0.0.3"}, L"10.0.0.3."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.second)));
        out.str(L"");
        args(c.first);
        EXPECT_EQ(run(), ResultUpdateFailed);
        EXPECT_TRUE(engine.updated.empty());
        EXPECT_EQ(engine.enumerations, 0);
        EXPECT_NE(out.str().find(L"Not understood on the command line: " + std::wstring(c.second)),
                  std::wstring::npos)
            << out.str();
    }
}

// A search that stopped part way (memory ran out, the link failed) lists what
// it reached; the run updates those, but never says every printer was.
TEST_F(NoGuiRunTest, ASearchThatStoppedPartWayIsNoCompleteRun) {
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2")};
    engine.enumerateResult = IUpdater::UpdateFailed;
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"A"});
    EXPECT_NE(out.str().find(L"The search for printers stopped part way"), std::wstring::npos)
        << out.str();
    // Nothing reached at all is the same failure, not "no printer found".
    engine.printers.clear();
    EXPECT_EQ(run(), ResultUpdateFailed);
}

// A -d name that several printers share takes the first one found, and says
// that the others are left as they are.
TEST_F(NoGuiRunTest, ANameSharedBySeveralPrintersSaysWhichOneItTook) {
    engine.printers = {spoolerPrinter(L"K206", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"K206", L"IP_10.0.0.3", L"10.0.0.3")};
    args({L"-m", L"2", L"-e", L"1", L"-d", L"K206"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated.size(), 1u);
    EXPECT_NE(out.str().find(L"K206: names 2 printers; only the first found"), std::wstring::npos)
        << out.str();
}

// A stop asked for while a printer is being checked reaches it before its
// flash: the checks talk to the printer and may take seconds each.
TEST_F(NoGuiRunTest, AStopDuringThePrintersChecksSendsItNothing) {
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2")};
    std::atomic<bool> stop{false};
    stopRequested = [&] { return stop.load(); };
    engine.duringCheck = [&](const std::wstring&) { stop = true; };
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_TRUE(engine.updated.empty());
    EXPECT_NE(out.str().find(L"A: not updated (the run was interrupted)"), std::wstring::npos)
        << out.str();
}

TEST_F(NoGuiRunTest, OneFailureAmongTwoIsTheRunsResult) {
    FakeEnginePrinter bad = spoolerPrinter(L"B", L"IP_10.0.0.3", L"10.0.0.3");
    bad.updateResult = IUpdater::UpdateFailed;
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2"), bad};
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(statusAt(0), KIVDevice::Updated);
    EXPECT_EQ(statusAt(1), KIVDevice::UpdateFailed);
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{
                                 L"Device: A, Result: Success",
                                 L"Device: B, Result: Failure, ErrorCode: ErrorUpdateFailed"}));
}

TEST_F(NoGuiRunTest, ExceptionFromTheEngineIsAFailedUpdateAndTheRunGoesOn) {
    FakeEnginePrinter thrower = spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2");
    thrower.updateThrows = true;
    thrower.progress = {10, 40};
    engine.printers = {thrower, spoolerPrinter(L"B", L"IP_10.0.0.3", L"10.0.0.3")};
    args({L"-m", L"2", L"-e", L"1"});
    int32_t rc = -1;
    EXPECT_NO_THROW(rc = run());
    EXPECT_EQ(rc, ResultUpdateFailed);
    EXPECT_EQ(engine.updated, (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(statusAt(0), KIVDevice::UpdateFailed);
    EXPECT_EQ(statusAt(1), KIVDevice::Updated);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].result, ResultUpdateFailed);
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{
                                 L"Device: A, Result: Failure, ErrorCode: ErrorUpdateFailed",
                                 L"Device: B, Result: Success"}));
}

TEST_F(NoGuiRunTest, EngineRefusalsAreNeverRetriedOrForced) {
    struct Case {
        int32_t engineResult;
        int32_t runResult;
        const wchar_t* line;
    } cases[] = {
        {IUpdater::UpdateRevisionMismatch, ResultRevisionMismatch,
         L"Device: P, Result: Failure, ErrorCode: ErrorBadFW"},
        {IUpdater::UpdateConsentNeeded, ResultConsentNeeded,
         L"Device: P, Result: Failure, ErrorCode: ErrorBadFW"},
        {IUpdater::UpdateUnreachable, ResultUnreachable,
         L"Device: P, Result: Failure, ErrorCode: Miscellaneous Error"},
        // Another update holds the printer: not updated, though nothing was sent.
        {IUpdater::UpdateInUse, ResultUpdateFailed,
         L"Device: P, Result: Failure, ErrorCode: ErrorUpdateFailed"},
    };
    args({L"-m", L"2", L"-e", L"1"});
    for (const Case& c : cases) {
        FakeEnginePrinter p = spoolerPrinter(L"P", L"IP_10.0.0.2", L"10.0.0.2");
        p.updateResult = c.engineResult;
        engine.printers = {p};
        engine.sprAnsweredSeen.clear();
        out.str(L"");
        EXPECT_EQ(run(), c.runResult) << c.engineResult;
        // One call, without the consent flag: this mode never answers for the user.
        EXPECT_EQ(engine.sprAnsweredSeen, std::vector<bool>{false}) << c.engineResult;
        EXPECT_EQ(resultLines(), std::vector<std::wstring>{c.line}) << c.engineResult;
        EXPECT_EQ(statusAt(0), KIVDevice::NotHandled);
    }
}

TEST_F(NoGuiRunTest, PrinterThatStopsAnsweringIsNotFlashed) {
    // Listed by the enumeration, gone by the time it is checked.
    struct GoneAfterEnumeration : FakeUpdater {
        bool isCompatibleDevice(KIVOptions*, KIVDevice*, int32_t* reason) override {
            *reason = 9;
            return false;
        }
    } gone;
    gone.printers = {spoolerPrinter(L"P", L"IP_10.0.0.2", L"10.0.0.2")};
    args({L"-m", L"2", L"-d", L"P", L"-e", L"1"});
    NoGuiRun r({&gone, &options, &console, messenger.get(), looksLikeAddress,
                [this] { return now += 500; }, 2});
    EXPECT_EQ(r.run(), ResultUnreachable);
    EXPECT_TRUE(gone.updated.empty());
    EXPECT_EQ(resultLines(), std::vector<std::wstring>{
                                 L"Device: P, Result: Failure, ErrorCode: Miscellaneous Error"});
}

// Found by the search, silent when checked: such a printer may well fit the
// package, so the run cannot say that every printer was updated.
TEST_F(NoGuiRunTest, PrinterFoundButNotCheckedCountsAsUnreachable) {
    FakeEnginePrinter silent = spoolerPrinter(L"K206", L"IP_10.0.0.3", L"10.0.0.3");
    silent.answersCheck = false;
    FakeEnginePrinter silentAddress = addressPrinter(L"10.0.0.4");
    silentAddress.answersCheck = false;
    engine.printers = {spoolerPrinter(L"K206", L"IP_10.0.0.2", L"10.0.0.2"), silent, silentAddress};
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUnreachable);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"K206"});
    EXPECT_EQ(resultLines(),
              (std::vector<std::wstring>{
                  L"Device: K206 (10.0.0.3), Result: Failure, ErrorCode: Miscellaneous Error",
                  L"Device: K206 (10.0.0.2), Result: Success"}));
    EXPECT_EQ(out.str().find(L"every printer was updated"), std::wstring::npos);

    // Named by its address, it is unreachable there, not a foreign printer.
    out.str(L"");
    args({L"-m", L"2", L"-e", L"1", L"-d", L"10.0.0.4,10.0.0.2"});
    EXPECT_EQ(run(), ResultUnreachable);
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{
                                 L"Device: 10.0.0.4, Result: Failure, ErrorCode: ErrorIPNoPrinter",
                                 L"Device: 10.0.0.2, Result: Success"}));
}

// A result line that cannot be written stops the publishing of the outcomes
// behind it; they are still counted once the updates are over.
TEST_F(NoGuiRunTest, OutcomesBehindAFailedLineAreNotLost) {
    struct ThrowsOnce : std::wstreambuf {
        bool thrown = false;
        int_type overflow(int_type c) override {
            if (thrown)
                return traits_type::not_eof(c);
            thrown = true;
            throw std::runtime_error("console gone");
        }
    } buffer;
    std::wostream lines(&buffer);
    lines.exceptions(std::ios::badbit);
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"B", L"IP_10.0.0.3", L"10.0.0.3")};
    engine.printers[1].updateResult = IUpdater::UpdateFailed;
    // B's turn is over before A's ends: A's line fails with B's outcome behind it.
    std::atomic<bool> bDone{false};
    engine.duringUpdate = [&](const std::wstring& name) {
        bDone = bDone || name == L"B";
        while (!bDone)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (name == L"A")
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    };
    args({L"-m", L"2"});
    messenger = std::make_unique<StatusMessenger>(lines);
    parallel = 2;
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_TRUE(buffer.thrown);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[1].name, L"B");
}

// A turn that ends without saying what happened never counts as updated.
TEST_F(NoGuiRunTest, TurnWithoutAnOutcomeIsAFailedUpdate) {
    engine.printers = {spoolerPrinter(L"A", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"B", L"IP_10.0.0.3", L"10.0.0.3")};
    // The record B's turn would read is gone by then.
    engine.duringUpdate = [&](const std::wstring&) { options.clearDeviceList(); };
    args({L"-m", L"2", L"-e", L"1"});
    EXPECT_EQ(run(), ResultUpdateFailed);
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{
                                 L"Device: A, Result: Success",
                                 L"Device: B, Result: Failure, ErrorCode: ErrorUpdateFailed"}));
}

TEST_F(NoGuiRunTest, FirmwareNowIsOnlyWhatWasReadBack) {
    engine.printers = {spoolerPrinter(L"P", L"IP_10.0.0.2", L"10.0.0.2")};
    engine.printers[0].awayAfterUpdate = true;
    args({L"-m", L"2"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_NE(out.str().find(L"P (10.0.0.2): updated and verified, firmware version could not be "
                             L"read back\n"),
              std::wstring::npos)
        << out.str();
}

TEST_F(NoGuiRunTest, DeviceListMatchesNamePortOrAddressAfterTrimming) {
    engine.printers = {spoolerPrinter(L"Office", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"Lab", L"IP_10.0.0.3", L"10.0.0.3"),
                       spoolerPrinter(L"Hall", L"IP_10.0.0.4", L"10.0.0.4"),
                       spoolerPrinter(L"Spare", L"IP_10.0.0.5", L"10.0.0.5")};
    args({L"-m", L"2", L"-e", L"1", L"-d", L" Office ,IP_10.0.0.3,10.0.0.4,10.0.0.2,IP_10.0.0.4"});
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(engine.updated, (std::vector<std::wstring>{L"Office", L"Lab", L"Hall"}));
    // Each result line names the printer as the caller named it; the last
    // two entries name Office and Hall again (Hall by its port, after its
    // address made it the address's printer, which keeps the port's name as
    // the link lists it), and neither is flashed twice.
    EXPECT_EQ(resultLines(), (std::vector<std::wstring>{L"Device: Office, Result: Success",
                                                        L"Device: IP_10.0.0.3, Result: Success",
                                                        L"Device: 10.0.0.4, Result: Success"}));
    // The address entries were probed directly, nothing else.
    EXPECT_TRUE(engine.enumeratedWithAddresses);
    EXPECT_EQ(engine.probedAddresses, (std::vector<std::wstring>{L"10.0.0.4", L"10.0.0.2"}));
}

TEST_F(NoGuiRunTest, UnmatchedEntriesGiveAddressOrNameResults) {
    FakeEnginePrinter wrong = addressPrinter(L"10.0.0.7");
    wrong.compatible = false;
    engine.printers = {wrong};

    args({L"-m", L"2", L"-e", L"1", L"-d", L"10.0.0.9"});
    EXPECT_EQ(run(), ResultAddressUnmatched);
    EXPECT_EQ(resultLines(),
              std::vector<std::wstring>{
                  L"Device: 10.0.0.9, Result: Failure, ErrorCode: ErrorIPNoPrinter"});

    out.str(L"");
    options.getDeviceList().clear();
    args({L"-d", L"10.0.0.7"});
    EXPECT_EQ(run(), ResultAddressUnmatched);
    EXPECT_EQ(resultLines(),
              std::vector<std::wstring>{
                  L"Device: 10.0.0.7, Result: Failure, ErrorCode: ErrorIPWrongPrinter"});

    out.str(L"");
    options.getDeviceList().clear();
    args({L"-d", L"NoSuchPrinter"});
    EXPECT_EQ(run(), ResultNameUnmatched);
    EXPECT_EQ(resultLines(),
              std::vector<std::wstring>{
                  L"Device: NoSuchPrinter, Result: Failure, ErrorCode: Miscellaneous Error"});
    EXPECT_TRUE(engine.updated.empty());
}

// A script whose list came back blank: no printer is chosen, so none is
// flashed, and the run does not end as a success.
TEST_F(NoGuiRunTest, AListGivenEmptyNamesNoPrinter) {
    engine.printers = {spoolerPrinter(L"Office", L"IP_10.0.0.2", L"10.0.0.2"),
                       spoolerPrinter(L"Lab", L"IP_10.0.0.3", L"10.0.0.3")};
    args({L"-m", L"2", L"-e", L"1", L"-d", L"  "});
    EXPECT_EQ(run(), ResultNameUnmatched);
    EXPECT_TRUE(engine.updated.empty());
    EXPECT_EQ(resultLines(), std::vector<std::wstring>{
                                 L"Device: , Result: Failure, ErrorCode: Miscellaneous Error"});
}

TEST_F(NoGuiRunTest, UnmatchedEntryDoesNotStopTheOthers) {
    engine.printers = {spoolerPrinter(L"Office", L"IP_10.0.0.2", L"10.0.0.2")};
    args({L"-m", L"2", L"-e", L"1", L"-d", L"Office,Nowhere"});
    EXPECT_EQ(run(), ResultNameUnmatched);
    EXPECT_EQ(engine.updated, std::vector<std::wstring>{L"Office"});
    EXPECT_EQ(resultLines().size(), 2u);
}

TEST_F(NoGuiRunTest, IncompatibleListedPrinterResultFollowsItsType) {
    struct Refusing : FakeUpdater {
        bool isCompatibleDevice(KIVOptions*, KIVDevice* d, int32_t* reason) override {
            *reason = d->getType() == KIVDevice::TypeIpAddress ? 3 : 10;
            return false;
        }
    };
    {
        Refusing e;
        e.printers = {addressPrinter(L"10.0.0.8")};
        args({L"-m", L"2", L"-e", L"1", L"-d", L"10.0.0.8"});
        NoGuiRun r({&e, &options, &console, messenger.get(), looksLikeAddress,
                    [this] { return now += 500; }, 2});
        EXPECT_EQ(r.run(), ResultIncompatibleAddress);
        EXPECT_TRUE(e.updated.empty());
        EXPECT_EQ(resultLines(),
                  std::vector<std::wstring>{
                      L"Device: 10.0.0.8, Result: Failure, ErrorCode: ErrorIPWrongPrinter"});
    }
    {
        Refusing e;
        e.printers = {spoolerPrinter(L"Office", L"IP_10.0.0.2", L"10.0.0.2")};
        options.getDeviceList().clear();
        args({L"-d", L"Office"});
        NoGuiRun r(
            {&e, &options, &console, nullptr, looksLikeAddress, [this] { return now += 500; }, 2});
        EXPECT_EQ(r.run(), ResultIncompatible);
    }
}

TEST_F(NoGuiRunTest, DifferentReasonsToLeavePrintersOutGiveSeventeen) {
    FakeEnginePrinter current = spoolerPrinter(L"Current", L"IP_10.0.0.2", L"10.0.0.2");
    current.packageNewer = false;
    engine.printers = {current};
    args({L"-m", L"2", L"-f", L"2", L"-d", L"Current,Nowhere"});
    EXPECT_EQ(run(), ResultSeveralNotUpdated);
    EXPECT_TRUE(resultLines().empty()) << "no result lines without -e 1";
}

TEST_F(NoGuiRunTest, ProgressOnlyGoesUpAndEndsVerified) {
    FakeEnginePrinter p = spoolerPrinter(L"P", L"IP_10.0.0.2", L"10.0.0.2");
    p.progress = {0, 35, 20, 70, 60, 99};
    engine.printers = {p};
    args({L"-m", L"2"});
    EXPECT_EQ(run(), ResultOk);
    std::wistringstream in(out.str());
    int last = -1;
    int lines = 0;
    std::wstring lastLine;
    for (std::wstring line; std::getline(in, line);) {
        if (line.rfind(L"  [", 0) != 0)
            continue;
        const int percent = std::stoi(line.substr(3));
        EXPECT_GE(percent, last) << line;
        last = percent;
        lastLine = line;
        ++lines;
    }
    EXPECT_GE(lines, 3);
    EXPECT_EQ(lastLine, L"  [100%] verified");
    EXPECT_NE(out.str().find(L"sending firmware"), std::wstring::npos);
    EXPECT_NE(out.str().find(L"waiting for the printer to restart"), std::wstring::npos);
}

// ---------------------------------------------------------------------------
// Several printers at once

// Everything a run leaves that a caller can see.
struct Observed {
    int32_t rc = -1;
    std::vector<std::wstring> results; // result lines, in output order
    std::vector<std::wstring> outcomes;
    std::vector<int32_t> statuses;
    std::vector<std::wstring> updated; // sorted: the order of calls may differ
    int mostAtOnce = 0;
};

std::vector<FakeEnginePrinter> mixedFleet() {
    std::vector<FakeEnginePrinter> fleet;
    for (int i = 0; i < 10; ++i) {
        const std::wstring n = std::to_wstring(i);
        const std::wstring ip = L"10.0.0." + std::to_wstring(10 + i);
        fleet.push_back(spoolerPrinter((L"P" + n).c_str(), (L"IP_" + ip).c_str(), ip.c_str()));
        fleet.back().progress = {0, 20, 60, 99};
    }
    fleet[1].refusedAtCheck = true;
    fleet[2].updateResult = IUpdater::UpdateFailed;
    fleet[4].updateResult = IUpdater::UpdateRevisionMismatch;
    fleet[5].packageNewer = false; // up to date, skipped with -f 2
    fleet[7].updateThrows = true;
    fleet[8].updateResult = IUpdater::UpdateUnreachable;
    return fleet;
}

class ParallelRunTest : public NoGuiRunTest {
protected:
    // The mixed fleet, named in -d with one name that matches nothing; later
    // printers finish first.
    Observed runFleet(uint32_t width) {
        engine.printers = mixedFleet();
        std::atomic<int> inFlight{0}, most{0};
        engine.duringUpdate = [&](const std::wstring& name) {
            const int n = ++inFlight;
            for (int m = most.load(); n > m && !most.compare_exchange_weak(m, n);) {
            }
            const int index = name[1] - L'0';
            std::this_thread::sleep_for(std::chrono::milliseconds(3 * (10 - index)));
            --inFlight;
        };
        args({L"-m", L"2", L"-e", L"1", L"-f", L"2", L"-d",
              L"P0,P1,P2,P3,Nowhere,P4,P5,P6,P7,P8,P9"});
        parallel = width;
        Observed o;
        o.rc = run();
        o.results = resultLines();
        for (const NoGuiRun::Outcome& outcome : outcomes)
            o.outcomes.push_back(outcome.name + L"=" + std::to_wstring(outcome.result) + L"/" +
                                 std::to_wstring(outcome.errorCode) + L"/" + outcome.version);
        for (uint32_t i = 0; i < options.getDevListSize(); ++i)
            o.statuses.push_back(statusAt(i));
        o.updated = engine.updated;
        std::sort(o.updated.begin(), o.updated.end());
        o.mostAtOnce = most.load();
        return o;
    }
};

TEST_F(ParallelRunTest, SeveralAtOnceGiveWhatOneAtATimeGives) {
    // The reference run gets an engine and options of its own.
    struct Reference : ParallelRunTest {
        void TestBody() override {}
        using ParallelRunTest::runFleet;
    };
    Observed reference;
    {
        Reference serial;
        reference = serial.runFleet(1);
    }
    EXPECT_EQ(reference.mostAtOnce, 1);
    EXPECT_EQ(reference.rc, ResultUpdateFailed);
    ASSERT_EQ(reference.results.size(), 11u);
    EXPECT_EQ(reference.results[3], L"Device: P2, Result: Failure, ErrorCode: ErrorUpdateFailed");
    Observed wide = runFleet(4);
    EXPECT_GT(wide.mostAtOnce, 1) << "the updates did not overlap";
    EXPECT_LE(wide.mostAtOnce, 4) << "more printers in flight than allowed";
    EXPECT_EQ(wide.rc, reference.rc);
    EXPECT_EQ(wide.results, reference.results);
    EXPECT_EQ(wide.outcomes, reference.outcomes);
    EXPECT_EQ(wide.statuses, reference.statuses);
    EXPECT_EQ(wide.updated, reference.updated);
}

// The engine's progress callback carries no printer: each report must reach
// the printer whose update is running on the reporting thread.
TEST_F(NoGuiRunTest, ProgressReachesThePrinterOfTheReportingThread) {
    const int count = 4;
    for (int k = 1; k <= count; ++k) {
        const std::wstring ip = L"10.0.0." + std::to_wstring(k);
        engine.printers.push_back(
            spoolerPrinter((L"P" + std::to_wstring(k)).c_str(), (L"IP_" + ip).c_str(), ip.c_str()));
        // Printer k reports only in its own tens.
        engine.printers.back().progress = {10 * k + 1, 10 * k + 5};
    }
    // All updates are in flight before any of them reports.
    std::mutex m;
    std::condition_variable allIn;
    int entered = 0;
    engine.duringUpdate = [&](const std::wstring&) {
        std::unique_lock<std::mutex> lock(m);
        ++entered;
        allIn.notify_all();
        allIn.wait_for(lock, std::chrono::seconds(5), [&] { return entered == count; });
    };
    args({L"-m", L"2"});
    parallel = count;
    EXPECT_EQ(run(), ResultOk);
    EXPECT_EQ(entered, count);

    std::wistringstream in(out.str());
    int ownReports = 0;
    for (std::wstring line; std::getline(in, line);) {
        if (line.rfind(L"  [", 0) != 0)
            continue;
        const int percent = std::stoi(line.substr(3));
        const size_t label = line.find(L"] [");
        ASSERT_NE(label, std::wstring::npos) << line;
        const int printer = std::stoi(line.substr(label + 3));
        if (percent != 0 && percent != 100) {
            EXPECT_EQ(percent / 10, printer) << line;
            ++ownReports;
        }
    }
    EXPECT_GE(ownReports, count) << out.str();
}

// A fleet of every kind a check can meet, named by -d, with -f 2 given too:
// nothing is flashed, every printer and entry gets its verdict, and one
// printer with older firmware decides the run whatever else was found. A
// version that cannot be read is no answer, never "update due".
TEST_F(NoGuiRunTest, CheckOnlyRunGivesVerdictsAndUpdatesNothing) {
    FakeEnginePrinter current = spoolerPrinter(L"current", L"IP_10.0.0.3", L"10.0.0.3");
    current.packageNewer = false;
    FakeEnginePrinter foreign = addressPrinter(L"10.0.0.5");
    foreign.compatible = false;
    FakeEnginePrinter silent = addressPrinter(L"10.0.0.6");
    silent.answersCheck = false;
    FakeEnginePrinter blank = spoolerPrinter(L"blank", L"IP_10.0.0.7", L"10.0.0.7");
    blank.version.clear();
    FakeEnginePrinter letter = spoolerPrinter(L"letter", L"IP_10.0.0.8", L"10.0.0.8");
    letter.revisionResult = IUpdater::UpdateRevisionMismatch;
    engine.printers = {spoolerPrinter(L"old", L"IP_10.0.0.2", L"10.0.0.2"),
                       current,
                       foreign,
                       silent,
                       blank,
                       letter};
    args({L"-m", L"2", L"-e", L"1", L"-f", L"2", L"-check", L"1", L"-d",
          L"old,current,10.0.0.5,10.0.0.6,blank,ghost,letter"});
    parallel = 3;
    EXPECT_EQ(run(), ResultUpdateDue);
    EXPECT_TRUE(engine.updated.empty());
    std::map<std::wstring, CheckVerdict> verdicts;
    for (const NoGuiRun::Outcome& o : outcomes)
        verdicts[o.name] = o.verdict;
    EXPECT_EQ(verdicts,
              (std::map<std::wstring, CheckVerdict>{{L"old", CheckVerdict::UpdateDue},
                                                    {L"current", CheckVerdict::UpToDate},
                                                    {L"10.0.0.5", CheckVerdict::Incompatible},
                                                    {L"10.0.0.6", CheckVerdict::NoAnswer},
                                                    {L"blank", CheckVerdict::NoAnswer},
                                                    {L"ghost", CheckVerdict::NotFound},
                                                    {L"letter", CheckVerdict::Incompatible}}));
    for (const wchar_t* line : {L"Device: old, Result: Failure, ErrorCode: DeviceUpdateDue\n",
                                L"Summary (check only): 1 update due, 1 up to date, 2 "
                                L"incompatible, 2 no answer, 1 not found, 0 not checked.\n",
                                L"Device: letter, Result: Failure, ErrorCode: ErrorBadFW\n"})
        EXPECT_NE(out.str().find(line), std::wstring::npos) << line << out.str();

    // Without the older printer a silent one decides: no answer is not "up to date".
    engine.printers.erase(engine.printers.begin());
    options.getDeviceList().clear();
    args({L"-check", L"1", L"-d", L"current,10.0.0.6"});
    EXPECT_EQ(run(), ResultUnreachable);
    options.getDeviceList().clear();
    args({L"-check", L"1", L"-d", L"current"});
    EXPECT_EQ(run(), ResultUpToDate);
    EXPECT_TRUE(engine.updated.empty());
}

} // namespace

// Printers updated side by side finish in any order; each record in the report
// still describes its own printer, in the list's order, with what was read
// before and after and the time its own turn took.
TEST_F(ParallelRunTest, ReportDescribesEachPrinterOfAParallelRun) {
    runFleet(4);
    std::vector<std::wstring> got;
    for (const RunReport::Printer& p : report->printers()) {
        got.push_back(p.name + L"=" + std::to_wstring(p.outcome) + L"/" + p.address + L"/" +
                      p.port + L"/" + p.firmwareBefore + L"/" + p.firmwareAfter);
        EXPECT_EQ(p.seconds > 0, p.name != L"Nowhere") << p.name << L" " << p.seconds;
    }
    const std::wstring old = L"K206_G010111_00", now = L"K206_G082511_00";
    auto printer = [&](int i, RunReport::Outcome outcome, const std::wstring& after) {
        const std::wstring ip = L"10.0.0." + std::to_wstring(10 + i);
        return L"P" + std::to_wstring(i) + L"=" + std::to_wstring(outcome) + L"/" + ip + L"/IP_" +
               ip + L"/" + old + L"/" + after;
    };
    // An entry that matched nothing is told while the printers are sought.
    EXPECT_EQ(got, (std::vector<std::wstring>{
                       L"Nowhere=" + std::to_wstring(RunReport::NotFound) + L"////",
                       printer(0, RunReport::Updated, now),
                       printer(1, RunReport::Incompatible, old),
                       printer(2, RunReport::Failed, L""),
                       printer(3, RunReport::Updated, now),
                       printer(4, RunReport::Incompatible, old),
                       printer(5, RunReport::UpToDate, old),
                       printer(6, RunReport::Updated, now),
                       printer(7, RunReport::Failed, L""),
                       printer(8, RunReport::Unreachable, L""),
                       printer(9, RunReport::Updated, now),
                   }));
}
