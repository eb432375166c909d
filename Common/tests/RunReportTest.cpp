#include "CmdLineOpts.h"
#include "KIVDevice.h"
#include "ModeResults.h"
#include "PathCheck.h"
#include "RunReport.h"
#include "StatusMessenger.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cwchar>
#include <thread>
#include <vector>

// Leap days, the turn of the centuries and times before 1970 are where a
// hand-made calendar goes wrong.
TEST(RunReport, TimesAreIsoUtc) {
    EXPECT_EQ(RunReport::isoUtc(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(RunReport::isoUtc(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(RunReport::isoUtc(1709251199), "2024-02-29T23:59:59Z");
    EXPECT_EQ(RunReport::isoUtc(4107542400), "2100-03-01T00:00:00Z");
    EXPECT_EQ(RunReport::isoUtc(-1), "1969-12-31T23:59:59Z");
}

// What a script reads back: every text as given (names in any script, the
// package's version), unknown values null rather than "", and the records
// of several threads all there.
TEST(RunReport, RendersWhatTheModesRecorded) {
    RunReport report;
    report.setProgramVersion(L"1.2.3");
    report.setPackageVersion(L"K206_G082511_00");
    report.setMode(2);
    report.setStart(1765200000);
    report.setEnd(1765200042);
    report.setExit(4, L"an update failed");
    RunReport::Printer updated;
    updated.name = L"B\u00fcro \u5370\u5237 \U0001F5A8";
    updated.address = L"10.0.0.7";
    updated.type = KIVDevice::TypeNetwork;
    updated.firmwareBefore = L"K206_G010111_00";
    updated.firmwareAfter = L"K206_G082511_00";
    updated.outcome = RunReport::outcomeOf(ResultOk);
    updated.seconds = 12.34;
    RunReport::Printer missing;
    missing.name = L"nosuch";
    missing.outcome = RunReport::outcomeOf(ResultNameUnmatched);
    missing.errorCode = 99;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            for (int n = 0; n < 50; ++n)
                report.addPrinter(missing);
        });
    report.addPrinter(updated);
    for (std::thread& t : threads)
        t.join();

    const nlohmann::json j = nlohmann::json::parse(report.toJson());
    EXPECT_EQ(j["programVersion"], "1.2.3");
    EXPECT_EQ(j["packageVersion"], "K206_G082511_00");
    EXPECT_EQ(j["mode"], 2);
    EXPECT_EQ(j["checkOnly"], false);
    EXPECT_EQ(j["start"], "2025-12-08T13:20:00Z");
    EXPECT_EQ(j["end"], "2025-12-08T13:20:42Z");
    EXPECT_EQ(j["exitCode"], 4);
    ASSERT_EQ(j["printers"].size(), 201u);
    nlohmann::json first;
    for (const nlohmann::json& p : j["printers"])
        if (p["outcome"] == "updated")
            first = p;
    EXPECT_EQ(first["name"], "B\xc3\xbcro \xe5\x8d\xb0\xe5\x88\xb7 \xf0\x9f\x96\xa8");
    EXPECT_EQ(first["address"], "10.0.0.7");
    EXPECT_TRUE(first["port"].is_null());
    EXPECT_EQ(first["type"], "network");
    EXPECT_EQ(first["firmwareAfter"], "K206_G082511_00");
    EXPECT_TRUE(first["errorCode"].is_null());
    EXPECT_DOUBLE_EQ(first["seconds"].get<double>(), 12.3);
    const nlohmann::json& last = j["printers"].back();
    EXPECT_EQ(last["outcome"], "not-found");
    EXPECT_EQ(last["type"], "unknown");
    EXPECT_TRUE(last["firmwareBefore"].is_null());
    EXPECT_EQ(last["errorCode"], "Miscellaneous Error");
}

TEST(RunReport, OutcomesKeepUnreachableRefusedAndFailedApart) {
    EXPECT_EQ(RunReport::outcomeOf(ResultUpToDate), RunReport::UpToDate);
    EXPECT_EQ(RunReport::outcomeOf(ResultUnreachable), RunReport::Unreachable);
    EXPECT_EQ(RunReport::outcomeOf(ResultRevisionMismatch), RunReport::Incompatible);
    EXPECT_EQ(RunReport::outcomeOf(ResultIncompatibleAddress), RunReport::Incompatible);
    EXPECT_EQ(RunReport::outcomeOf(ResultAddressUnmatched), RunReport::NotFound);
    EXPECT_EQ(RunReport::outcomeOf(ResultUpdateFailed), RunReport::Failed);
    // A result no one expected is no success.
    EXPECT_EQ(RunReport::outcomeOf(12345), RunReport::Failed);
}

// Windows refuses these names, or quietly writes another file than the one
// named; the report must then say so instead of leaving a file elsewhere.
TEST(PathCheck, FileNamesWindowsRefusesOrChanges) {
    for (const wchar_t* bad :
         {L"", L"C:\\reports\\a<b.json", L"C:\\reports\\r.json.", L"C:\\reports\\r.json ",
          L"C:\\reports\\CON", L"c:\\reports\\nul.json", L"Com1.txt", L"lpt9", L"AUX .json",
          L"C:\\reports\\", L"C:\\run.\\r.json", L"C:\\r:stream.json", L"C:\\r?.json", L"C:\\a\tb",
          L"C:\\reports\\.."}) {
        EXPECT_NE(fileNameProblem(bad), L"")
            << "accepted: '" << std::string(bad, bad + wcslen(bad)) << "'";
    }
    for (const wchar_t* good :
         {L"C:\\reports\\kiv.json", L"report", L"..\\r.json", L"\\\\server\\share\\r.json",
          L"\\\\?\\C:\\reports\\r.json", L"Z:/tmp/console.json", L"C:\\COM10", L"C:\\LPT0.json",
          L"C:\\reports\\CONSOLE.json", L".\\r.json"}) {
        EXPECT_EQ(fileNameProblem(good), L"") << std::string(good, good + wcslen(good));
    }
}

TEST(CmdLineOpts, ReportPathIsAnOptionWithAValue) {
    auto reportOf = [](std::vector<const wchar_t*> argv, bool* ok) {
        CmdLineOpts opts;
        *ok = opts.parseCmdLine(static_cast<int>(argv.size()), argv.data());
        return opts.getReportPath();
    };
    bool ok = false;
    EXPECT_EQ(reportOf({L"KIV.exe", L"-m", L"2", L"-report", L"C:\\r 1.json"}, &ok),
              L"C:\\r 1.json");
    EXPECT_TRUE(ok);
    // An installer's unknown switch does not take the option after it.
    EXPECT_EQ(reportOf({L"KIV.exe", L"/quiet", L"-report", L"r.json"}, &ok), L"r.json");
    EXPECT_FALSE(ok);
    EXPECT_EQ(reportOf({L"KIV.exe", L"-report", L""}, &ok), L"");
    EXPECT_FALSE(ok);
    EXPECT_EQ(reportOf({L"KIV.exe", L"-m", L"2"}, &ok), L"");
    EXPECT_TRUE(ok);
}
