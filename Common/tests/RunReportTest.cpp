#include "CmdLineOpts.h"
#include "KIVDevice.h"
#include "ModeResults.h"
#include "PathCheck.h"
#include "RunReport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cwchar>
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

// What a script reads back: every text as given (names in any script),
// unknown values null rather than "", and a result nobody expected no success.
TEST(RunReport, RendersWhatTheModesRecorded) {
    RunReport report;
    report.setProgramVersion(L"1.2.3");
    report.setStart(1765200000);
    report.setEnd(1765200042);
    report.setExit(4, L"an update failed");
    RunReport::Printer updated;
    updated.name = L"B\u00fcro \u5370\u5237 \U0001F5A8";
    updated.address = L"10.0.0.7";
    updated.type = KIVDevice::TypeNetwork;
    updated.firmwareAfter = L"K206_G082511_00";
    updated.outcome = RunReport::outcomeOf(ResultOk);
    updated.seconds = 12.34;
    report.addPrinter(updated);
    RunReport::Printer odd;
    odd.outcome = RunReport::outcomeOf(12345);
    odd.errorCode = 99;
    report.addPrinter(odd);

    const nlohmann::json j = nlohmann::json::parse(report.toJson());
    EXPECT_EQ(j["start"], "2025-12-08T13:20:00Z");
    EXPECT_EQ(j["end"], "2025-12-08T13:20:42Z");
    EXPECT_TRUE(j["packageVersion"].is_null());
    ASSERT_EQ(j["printers"].size(), 2u);
    const nlohmann::json& first = j["printers"][0];
    EXPECT_EQ(first["name"], "B\xc3\xbcro \xe5\x8d\xb0\xe5\x88\xb7 \xf0\x9f\x96\xa8");
    EXPECT_TRUE(first["port"].is_null());
    EXPECT_TRUE(first["firmwareBefore"].is_null());
    EXPECT_TRUE(first["errorCode"].is_null());
    EXPECT_DOUBLE_EQ(first["seconds"].get<double>(), 12.3);
    EXPECT_EQ(j["printers"][1]["outcome"], "failed");
    EXPECT_EQ(j["printers"][1]["errorCode"], "Miscellaneous Error");
}

// Windows refuses these names, or quietly writes another file than the one
// named; the report must then say so instead of leaving a file elsewhere.
TEST(PathCheck, FileNamesWindowsRefusesOrChanges) {
    for (const wchar_t* bad :
         {L"", L"C:\\r\\a<b.json", L"C:\\r\\r.json.", L"r.json ", L"C:\\r\\CON", L"c:\\nul.json",
          L"lpt9", L"AUX .json", L"C:\\r\\", L"C:\\run.\\r.json", L"C:\\r:stream.json", L"C:\\a\tb",
          L"C:\\r\\.."}) {
        EXPECT_NE(fileNameProblem(bad), L"")
            << "accepted: '" << std::string(bad, bad + wcslen(bad)) << "'";
    }
    for (const wchar_t* good :
         {L"..\\r.json", L"\\\\server\\share\\r.json", L"\\\\?\\C:\\r\\r.json",
          L"Z:/tmp/console.json", L"C:\\COM10", L"C:\\LPT0.json", L".\\r.json"}) {
        EXPECT_EQ(fileNameProblem(good), L"") << std::string(good, good + wcslen(good));
    }
}

// An installer's unknown switch before it does not take it; no value, no path.
TEST(CmdLineOpts, ReportPathIsAnOptionWithAValue) {
    const wchar_t* argv[] = {L"KIV.exe", L"/quiet", L"-report", L"C:\\r 1.json", L"-report", L""};
    CmdLineOpts opts;
    EXPECT_FALSE(opts.parseCmdLine(6, argv));
    EXPECT_EQ(opts.getReportPath(), L"C:\\r 1.json");
}
