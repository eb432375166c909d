#include "CmdLineOpts.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using Texts = std::vector<std::wstring>;

struct Parsed {
    bool bad;
    int32_t mode;
    bool errors;
    bool force;
    bool checkOnly;
    int32_t dialog;
    Texts devices;
    bool listGiven;
    std::wstring appPath;
};

Parsed parse(std::initializer_list<const wchar_t*> args) {
    std::vector<const wchar_t*> argv(args);
    CmdLineOpts opts;
    Parsed p;
    p.bad = !opts.parseCmdLine(static_cast<int>(argv.size()), argv.data());
    p.mode = opts.getAppMode();
    p.errors = opts.getErrors();
    p.force = opts.getForceMode();
    p.checkOnly = opts.getCheckOnly();
    p.dialog = opts.getDialogNum();
    p.devices = opts.getDeviceList();
    p.listGiven = opts.isDeviceListGiven();
    p.appPath = opts.getAppPath();
    return p;
}

TEST(CmdLineOpts, DefaultsAndValidOptions) {
    Parsed none = parse({L"C:\\x\\KIV.exe"});
    EXPECT_FALSE(none.bad);
    EXPECT_EQ(none.mode, 1);
    EXPECT_FALSE(none.errors);
    EXPECT_TRUE(none.force);
    EXPECT_EQ(none.dialog, 0);
    EXPECT_TRUE(none.devices.empty());
    EXPECT_EQ(none.appPath, L"C:\\x\\KIV.exe");

    Parsed some = parse({L"kiv.Exe", L"-m", L"2", L"-e", L"1", L"-f", L"2", L"-dialog", L"7"});
    EXPECT_FALSE(some.bad);
    EXPECT_EQ(some.mode, 2);
    EXPECT_TRUE(some.errors);
    EXPECT_FALSE(some.force);
    EXPECT_EQ(some.dialog, 7);

    Parsed lenient = parse({L"KIV.EXE", L"-dialog", L"abc", L"-m", L" +3x"});
    EXPECT_FALSE(lenient.bad);
    EXPECT_EQ(lenient.dialog, 0);
    EXPECT_EQ(lenient.mode, 3);
}

TEST(CmdLineOpts, InvalidValuesKeepTheEarlierValue) {
    Parsed m4 = parse({L"KIV.EXE", L"-m", L"4"});
    EXPECT_TRUE(m4.bad);
    EXPECT_EQ(m4.mode, 1);
    Parsed f0 = parse({L"KIV.EXE", L"-f", L"0"});
    EXPECT_TRUE(f0.bad);
    EXPECT_TRUE(f0.force);
    Parsed negative = parse({L"KIV.EXE", L"-dialog", L"5", L"-dialog", L"-3"});
    EXPECT_TRUE(negative.bad);
    EXPECT_EQ(negative.dialog, 5);
}

TEST(CmdLineOpts, CheckOnlyIsASwitchThatNoMistakeTurnsIntoAnUpdate) {
    EXPECT_TRUE(parse({L"KIV.EXE", L"-m", L"2", L"-check", L"1", L"-e", L"1"}).checkOnly);
    EXPECT_FALSE(parse({L"KIV.EXE", L"-check", L"1", L"-check", L"2"}).checkOnly);
    // A check asked for in words that cannot be read, or without a value,
    // is still a check.
    for (std::initializer_list<const wchar_t*> args :
         {std::initializer_list<const wchar_t*>{L"KIV.EXE", L"-check", L"2", L"-check", L"0"},
          {L"KIV.EXE", L"-m", L"2", L"-check", L"yes"},
          {L"KIV.EXE", L"-m", L"2", L"-check"},
          {L"KIV.EXE", L"-check", L"-m", L"2"}}) {
        Parsed p = parse(args);
        EXPECT_TRUE(p.bad);
        EXPECT_TRUE(p.checkOnly) << "argument " << (args.size() - 1);
    }
    // An option without its value does not swallow the next option.
    Parsed e = parse({L"KIV.EXE", L"-m", L"2", L"-e", L"-check", L"1"});
    EXPECT_TRUE(e.bad);
    EXPECT_FALSE(e.errors);
    EXPECT_TRUE(e.checkOnly);
    EXPECT_EQ(e.mode, 2);
}

TEST(CmdLineOpts, DeviceListSplitting) {
    EXPECT_EQ(parse({L"KIV.EXE", L"-d", L"PrinterA,,192.168.0.5"}).devices,
              (Texts{L"PrinterA", L"192.168.0.5"}));
    EXPECT_EQ(parse({L"KIV.EXE", L"-d", L"A, B"}).devices, (Texts{L"A", L" B"}));
    EXPECT_TRUE(parse({L"KIV.EXE", L"-d", L" "}).devices.empty());
    EXPECT_EQ(parse({L"KIV.EXE", L"-d", L",x,", L"-d", L"  "}).devices, (Texts{L"x", L"  "}));
    // A list given with nothing in it is told from no list.
    EXPECT_FALSE(parse({L"KIV.EXE", L"-m", L"2"}).listGiven);
    for (const wchar_t* empty : {L"", L" ", L","}) {
        Parsed p = parse({L"KIV.EXE", L"-d", empty, L"-m", L"2"});
        EXPECT_TRUE(p.listGiven && p.devices.empty() && p.mode == 2) << "\"" << empty << "\"";
    }
    EXPECT_TRUE(parse({L"KIV.EXE", L"-m", L"2", L"-d"}).listGiven);
    Parsed beforeOption = parse({L"KIV.EXE", L"-d", L"-m", L"2"});
    EXPECT_TRUE(beforeOption.listGiven && beforeOption.devices.empty());
    EXPECT_EQ(beforeOption.mode, 2);
}

TEST(CmdLineOpts, UnknownArgumentNeverSwallowsAnOption) {
    // An installer's own switch before ours.
    Parsed x = parse({L"KIV.EXE", L"-x", L"-m", L"2"});
    EXPECT_TRUE(x.bad);
    EXPECT_EQ(x.mode, 2);
    Parsed silent = parse({L"KIV.exe", L"/S", L"-m", L"2", L"/v", L"-e", L"1"});
    EXPECT_TRUE(silent.bad);
    EXPECT_EQ(silent.mode, 2);
    EXPECT_TRUE(silent.errors);
    // What follows an unknown argument and is no option is still taken as its value.
    Parsed upper = parse({L"KIV.EXE", L"-M", L"2", L"-e", L"1"});
    EXPECT_TRUE(upper.bad);
    EXPECT_EQ(upper.mode, 1);
    EXPECT_TRUE(upper.errors) << "parsing goes on after the unknown pair";
}

TEST(CmdLineOpts, OptionGivenLastStopsParsing) {
    Parsed last = parse({L"KIV.EXE", L"-e", L"1", L"-m"});
    EXPECT_TRUE(last.bad);
    EXPECT_TRUE(last.errors);
    EXPECT_EQ(last.mode, 1);
}

TEST(CmdLineOpts, FirstArgumentIsTheProgramAsTyped) {
    // "KIV -m 2 -e 1 -d 10.0.0.5" typed at a command prompt.
    Parsed p = parse({L"KIV", L"-m", L"2", L"-e", L"1", L"-d", L"10.0.0.5"});
    EXPECT_FALSE(p.bad);
    EXPECT_EQ(p.appPath, L"Not Provided");
    EXPECT_EQ(p.mode, 2);
    EXPECT_TRUE(p.errors);
    EXPECT_EQ(p.devices, (Texts{L"10.0.0.5"}));
    // Even a first argument that looks like an option is the program.
    EXPECT_EQ(parse({L"-m", L"-m", L"3"}).mode, 3);
    Parsed nothing = parse({});
    EXPECT_FALSE(nothing.bad);
    EXPECT_EQ(nothing.appPath, L"Not Provided");
}

TEST(CmdLineOpts, TraceMessagesInTheLog) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    parse({L"KIV.EXE", L"-m", L"4"});
    parse({L"KIV", L"-x"});
    parse({L"KIV.EXE", L"/S", L"-e", L"1"});
    parse({L"C:\\KIV.EXE", L"-d", L"A,B", L"-f"});
    parse({L"KIV.EXE", L"-e", L"1"});
    std::vector<std::string> texts = log.texts();
    const char* expected[] = {
        " CmdLineOpts::parseCmdLine: App path: KIV.EXE",
        " CmdLineOpts::parseCmdLine: CL option: -m: 4",
        " CmdLineOpts::parseCmdLine: Invalid command line argument!: -m 4",
        " CmdLineOpts::parseCmdLine: App path: Not Provided",
        " CmdLineOpts::parseCmdLine: Invalid command line argument!: -x ",
        " CmdLineOpts::parseCmdLine: Invalid command line argument!: /S ",
        " CmdLineOpts::parseCmdLine: CL option: -e: 1",
        " CmdLineOpts::parseCmdLine: CL option: -d: A,B",
        " CmdLineOpts::parseCmdLine: CL option: -f: ",
        " CmdLineOpts::parseCmdLine: Param without argument!: -f",
        " CmdLineOpts::parseCmdLine: Command line parsing successful!",
        "CmdLineOpts::getAppMode: rc=1.",
        "CmdLineOpts::getErrors: rc=true.",
        "CmdLineOpts::getForceMode: rc=true.",
        "CmdLineOpts::getDialogNum: rc=0.",
        "CmdLineOpts::getDeviceList: ",
    };
    int at = 0;
    for (const char* want : expected) {
        int found = findText(texts, want, at);
        EXPECT_NE(found, -1) << "missing, or out of order: " << want;
        if (found >= 0)
            at = found + 1;
    }
    // Only the clean run reports success.
    int successes = 0;
    for (const std::string& t : texts)
        successes += t == " CmdLineOpts::parseCmdLine: Command line parsing successful!";
    EXPECT_EQ(successes, 1);
}

TEST(CmdLineOpts, CheckOnlyOutsideTheConsoleModeIsLoggedAsIgnored) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    parse({L"KIV.EXE", L"-m", L"2", L"-check", L"1"});
    parse({L"KIV.EXE", L"-check", L"1", L"-m", L"3"});
    parse({L"KIV.EXE", L"-check", L"1", L"-e"}); // parsing ends early, in mode 1
    const std::string ignored = " CmdLineOpts::parseCmdLine: Check-only run (-check 1) ignored: "
                                "the wizard (mode ";
    std::vector<std::string> modes;
    for (const std::string& t : log.texts())
        if (t.compare(0, ignored.size(), ignored) == 0)
            modes.push_back(t.substr(ignored.size()));
    EXPECT_EQ(modes, (std::vector<std::string>{"3) updates as usual", "1) updates as usual"}));
}

} // namespace
