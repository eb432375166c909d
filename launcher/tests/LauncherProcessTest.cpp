// KIV.exe itself, started as a child process with a controlled environment:
// its own TEMP and log folder, and the brand keys of the real registry.
#include "LauncherTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kivtest;

namespace {

const wchar_t kTavrin[] = L"Software\\Tavrin";
const wchar_t kOskel[] = L"Software\\Oskel";

// The files a package list names, with the folders on their way.
std::set<std::wstring> expectedTree(const char* listFile) {
    std::set<std::wstring> out;
    std::ifstream in(windowsPath(listFile).c_str());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::wstring w = windowsPath(line.c_str());
        out.insert(w);
        for (size_t p = w.find(L'\\'); p != std::wstring::npos; p = w.find(L'\\', p + 1))
            out.insert(w.substr(0, p));
    }
    return out;
}

class LauncherProcess : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = makeTestFolder(L"kivrun");
        temp_ = root_ + L"temp";
        profile_ = root_ + L"profile\\";
        makeDir(temp_);
        makeDir(profile_);
        clearForced();
        setRegDword(kOskel, L"kivlog", 1);
    }
    void TearDown() override {
        clearForced();
        deleteRegValue(kOskel, L"kivlog");
        for (const std::string& l : links_)
            unlinkUnix(l);
        removeTree(root_);
    }
    static void clearForced() {
        deleteRegValue(kTavrin, L"KivRetCode");
        deleteRegValue(kOskel, L"KivRetCode");
    }

    // The child's environment: its own TEMP and log folder.
    std::vector<EnvChange> environment(std::vector<EnvChange> env) {
        env.insert(env.begin(), {L"TEMP", false, temp_});
        env.push_back({L"TMP", false, temp_});
        env.push_back({L"ALLUSERSPROFILE", false, profile_.substr(0, profile_.size() - 1)});
        return env;
    }
    ChildResult run(const char* exe, const std::wstring& args,
                    std::vector<EnvChange> env = std::vector<EnvChange>()) {
        return runChild(windowsPath(exe), args, environment(env), root_);
    }
    std::string log() { return readFile(profile_ + L"KIVlog.txt"); }
    std::vector<std::wstring> runFolders() { return subfolders(temp_ + L"\\"); }
    // The one run's folder holds exactly what both packages list; returns it.
    std::wstring expectUnpacked(const char* packageList) {
        EXPECT_NE(log().find("RsrcMgr::initialize: Resource initialization successful!"),
                  std::string::npos)
            << log();
        std::vector<std::wstring> folders = runFolders();
        EXPECT_EQ(folders.size(), 1u);
        if (folders.size() != 1)
            return std::wstring();
        std::wstring run = temp_ + L"\\" + folders[0] + L"\\";
        EXPECT_EQ(listTree(run + L"Common"), expectedTree(KIV_COMMON_LIST));
        EXPECT_EQ(listTree(run + L"Package"), expectedTree(packageList));
        return run;
    }

    std::wstring root_, temp_, profile_;
    std::vector<std::string> links_;
};

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(LauncherProcess, ForcedExitCodeEndsTheRunBeforeAnything) {
    setRegDword(kTavrin, L"KivRetCode", 7);
    ChildResult r = run(KIV_NONOGUI_EXE, L"-m 2");
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(runFolders().empty());

    setRegDword(kTavrin, L"KivRetCode", 12);
    setRegDword(kOskel, L"KivRetCode", 3);
    r = run(KIV_NONOGUI_EXE, L"-m 2");
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(runFolders().empty());
}

TEST_F(LauncherProcess, OutOfRangeOrAbsentForcedCodesMeanANormalRun) {
    setRegDword(kTavrin, L"KivRetCode", 12);
    setRegDword(kOskel, L"KivRetCode", 12);
    ChildResult r = run(KIV_NONOGUI_EXE, L"-m 2");
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_TRUE(has(log(), "Beginning KIV execution..."));
    EXPECT_EQ(runFolders().size(), 1u);
    clearForced();
    r = run(KIV_NONOGUI_EXE, L"-m 2");
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_EQ(runFolders().size(), 1u) << "the first run's folder was replaced";
}

TEST_F(LauncherProcess, MissingUpdateModeLibraryEndsWithFour) {
    const struct {
        const wchar_t* args;
        const wchar_t* library;
    } modes[] = {{L"-m 2", L"NoGuiUpdateMode.dll"}, {L"-m 1", L"KIVWizard.dll"}};
    for (const auto& mode : modes) {
        const size_t mark = log().size();
        ChildResult r = run(KIV_NONOGUI_EXE, mode.args);
        EXPECT_EQ(r.exitCode, 4u);
        std::string text = log().substr(mark);
        ASSERT_EQ(runFolders().size(), 1u);
        std::wstring wcommon = temp_ + L"\\" + runFolders()[0] + L"\\Common\\" + mode.library;
        std::string common(wcommon.begin(), wcommon.end());
        EXPECT_TRUE(has(text, "LoadLibrary() failed on path= " + common)) << text;
        EXPECT_TRUE(has(text, "Error creating update mode: rc=7\r\n")) << text;
        EXPECT_FALSE(has(text, "KIV execution complete"));
    }
}

TEST_F(LauncherProcess, UnpacksExactlyThePackagedFiles) {
    ChildResult r = run(KIV_SHORT_EXE, L"-m 2");
    std::wstring run = expectUnpacked(KIV_SHORT_PACKAGE_LIST);
    std::string ini = readFile(run + L"Package\\config.ini");
    EXPECT_TRUE(has(ini, "FlashTimeout=30"))
        << "the short-timer variant carries its own config.ini";
    EXPECT_TRUE(has(log(), "KIVOptions::setCfgIniPath: param=")) << log();
}

TEST_F(LauncherProcess, ASignedProgramWithSignedPackagesUnpacksAndRuns) {
    if (!KIV_CAN_SIGN)
        GTEST_SKIP() << "built without osslsigncode";
    ASSERT_TRUE(isSignedProgram(readFile(windowsPath(KIV_SIGNED_EXE))));
    ChildResult r = run(KIV_SIGNED_EXE, L"-m 2 -e 1 -d NoSuchPrinter");
    EXPECT_EQ(r.exitCode, 9u) << r.output;
    expectUnpacked(KIV_SIGNED_PACKAGE_LIST);
}

TEST_F(LauncherProcess, StaleFoldersGoButNothingOutsideTemp) {
    const std::wstring outside = root_ + L"outside";
    makeDir(outside);
    writeFile(outside + L"\\precious.txt", "keep");
    for (const wchar_t* d :
         {L"\\KIV_100", L"\\KIV_100\\Package", L"\\KIV_100\\Common", L"\\KIV_100\\Common\\nested",
          L"\\KIV_200", L"\\KIV_200\\Package", L"\\Other", L"\\.KIV_300", L"\\KIV_400",
          L"\\KIV_400\\Common", L"\\KIV_500"})
        makeDir(temp_ + d);
    for (const wchar_t* f : {L"\\KIV_100\\Package\\ro.txt", L"\\KIV_100\\Common\\nested\\ro.dll",
                             L"\\KIV_200\\Package\\x.txt", L"\\Other\\keep.txt",
                             L"\\KIV_400\\Common\\own.txt", L"\\KIV_500\\notes.txt"}) {
        writeFile(temp_ + f, "data");
        ::SetFileAttributesW((temp_ + f).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    std::string l = unixPath(temp_ + L"\\KIV_400\\Common\\junction");
    ASSERT_TRUE(linkUnix(unixPath(outside), l));
    links_.push_back(l);

    ChildResult r = run(KIV_SHORT_EXE, L"-m 2");
    EXPECT_FALSE(exists(temp_ + L"\\KIV_100"));
    EXPECT_FALSE(exists(temp_ + L"\\KIV_200"));
    EXPECT_TRUE(exists(temp_ + L"\\Other\\keep.txt"));
    EXPECT_TRUE(exists(temp_ + L"\\.KIV_300"));
    EXPECT_FALSE(exists(temp_ + L"\\KIV_400\\Common\\own.txt"));
    EXPECT_TRUE(exists(temp_ + L"\\KIV_500\\notes.txt")) << "not a run's folder";
    EXPECT_EQ(readFile(outside + L"\\precious.txt"), "keep");
    // The new run's folder is there beside what stays.
    int fresh = 0;
    for (const std::wstring& f : runFolders())
        if (f != L"Other" && f != L".KIV_300" && f != L"KIV_400" && f != L"KIV_500")
            ++fresh;
    EXPECT_EQ(fresh, 1);
}

// Whoever started the program is told, on its output, also with the log off;
// no mode is looked for in a folder that was never made.
TEST_F(LauncherProcess, UnusableTempIsToldAndEndsTheRunWithFour) {
    ChildResult r = run(KIV_SHORT_EXE, L"-m 2 -e 1 -d 127.77.0.9", {{L"TEMP", true, L""}});
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_TRUE(has(r.output, "KIV: its files could not be unpacked into the temporary folder; "
                              "nothing was updated."))
        << r.output;
    std::string text = log();
    EXPECT_TRUE(has(text, "RsrcMgr::createDirs: Error retrieving environment variable: Err "
                          "code=203\r\n"))
        << text;
    EXPECT_TRUE(has(text, "Unable to create resource directories in system temp directory."));
    EXPECT_FALSE(has(text, "NoGuiUpdateMode.dll")) << text;
    EXPECT_TRUE(runFolders().empty());

    const std::wstring longTemp = L"C:\\" + std::wstring(297, L't');
    r = run(KIV_SHORT_EXE, L"-m 2", {{L"TEMP", false, longTemp}});
    EXPECT_EQ(r.exitCode, 4u);
    text = log();
    EXPECT_TRUE(has(text, "Error retrieving environment variable: Path buffer too small.")) << text;
    EXPECT_TRUE(runFolders().empty());
}

TEST_F(LauncherProcess, ModeResultsBecomeTheInstallersExitCodes) {
    // Mode result -> exit code, through the real program and a stand-in mode.
    const std::pair<int, DWORD> table[] = {{24, 2}, {18, 3},  {11, 5},  {12, 6}, {16, 7}, {17, 8},
                                           {25, 9}, {19, 10}, {13, 11}, {14, 4}, {32, 4}};
    for (const auto& row : table) {
        ChildResult r = run(KIV_STUBMODE_EXE, L"-m 2",
                            {{L"KIV_STUB_RESULT", false, std::to_wstring(row.first)}});
        EXPECT_EQ(r.exitCode, row.second) << "result " << row.first;
    }
    EXPECT_FALSE(has(log(), "KIV execution complete"));
}

// A run ended from outside (an installer's time limit) writes no report; the
// one an earlier run left at the path must not be read as its result.
TEST_F(LauncherProcess, AnEarlierRunsReportIsGoneBeforeThisRunStarts) {
    const std::wstring report = root_ + L"run.json";
    writeFile(report, "{\"exitCode\": 0}");
    const std::wstring running = root_ + L"mode-running";
    ChildProcess child(windowsPath(KIV_STUBMODE_EXE), L"-m 2 -report " + report,
                       environment({{L"KIV_STUB_HANG", false, running}}), root_);
    ASSERT_TRUE(child.started());
    // Ended only once its mode runs: a program ended while it starts its
    // package programs could leave one of them never resumed.
    for (int i = 0; i < 400 && ::GetFileAttributesW(running.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i)
        ::Sleep(50);
    EXPECT_TRUE(child.running()) << "the mode was still running";
    child.finish(0);
    EXPECT_EQ(::GetFileAttributesW(report.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LauncherProcess, ASuccessfulRunEndsWithTheClosingLines) {
    ChildResult r = run(KIV_STUBMODE_EXE, L"-m 2", {{L"KIV_STUB_RESULT", false, L"0"}});
    EXPECT_EQ(r.exitCode, 0u);
    std::string text = log();
    EXPECT_TRUE(has(text, "Beginning KIV execution..."));
    // "KIV execution complete", then an empty line, and nothing after them.
    const std::string tail = "KIV execution complete\r\n";
    size_t at = text.rfind(tail);
    ASSERT_NE(at, std::string::npos) << text;
    std::string rest = text.substr(at + tail.size());
    EXPECT_EQ(rest.find("\r\n"), rest.size() - 2) << rest;
    EXPECT_EQ(rest.find_first_not_of(' ', rest.find("KIVInit") + 7), rest.size() - 2) << rest;
}

TEST_F(LauncherProcess, AModeThatFailsToInitializeEndsWithFour) {
    ChildResult r = run(KIV_STUBMODE_EXE, L"-m 2",
                        {{L"KIV_STUB_INIT", false, L"9"}, {L"KIV_STUB_RESULT", false, L"0"}});
    EXPECT_EQ(r.exitCode, 4u);
    std::string text = log();
    EXPECT_TRUE(has(text, "Error initializng update mode: rc=9\r\n")) << text;
    EXPECT_FALSE(has(text, "KIV execution complete"));
}

TEST_F(LauncherProcess, AKivRetCodeThatIsNoNumberDoesNotEndTheRun) {
    // What "reg add" without a type leaves: an empty string.
    ChildResult reg = runChild(L"C:\\windows\\system32\\reg.exe",
                               L"add HKLM\\Software\\Tavrin /v KivRetCode /f", {}, root_);
    ASSERT_EQ(reg.exitCode, 0u) << reg.output;
    const DWORD seven = 7;
    setRegValue(kOskel, L"KivRetCode", REG_BINARY,
                std::string(reinterpret_cast<const char*>(&seven), sizeof(seven)));
    ChildResult r = run(KIV_STUBMODE_EXE, L"-m 2", {{L"KIV_STUB_RESULT", false, L"16"}});
    EXPECT_EQ(r.exitCode, 7u) << "the mode's own result, not a forced code";
    std::string text = log();
    EXPECT_TRUE(has(text, "Beginning KIV execution...\r\n")) << text;
    EXPECT_TRUE(has(text, "KivRetCode ignored: not a 4-byte number: Key=Software\\Tavrin, type=1, "
                          "size=2\r\n"))
        << text;
    EXPECT_TRUE(has(text, "KivRetCode ignored: not a 4-byte number: Key=Software\\Oskel, type=3, "
                          "size=4\r\n"))
        << text;
}

TEST_F(LauncherProcess, APackageProgramHeldAfterItRanDoesNotStopTheUnpacking) {
    ChildProcess child(windowsPath(KIV_STUBMODE_EXE), L"-m 2",
                       environment({{L"KIV_STUB_RESULT", false, L"0"}}), root_);
    ASSERT_TRUE(child.started());
    // A scanner opens the common package program once it is written and keeps
    // it a while, without letting it be deleted.
    HANDLE held = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 20000 && held == INVALID_HANDLE_VALUE && child.running(); ++i) {
        for (const std::wstring& f : runFolders())
            held = ::CreateFileW((temp_ + L"\\" + f + L"\\Common\\common.exe").c_str(),
                                 GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ::Sleep(1);
    }
    ChildResult r = child.finish();
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << "the program was never seen";
    ::CloseHandle(held);
    EXPECT_EQ(r.exitCode, 0u);
    std::string text = log();
    EXPECT_TRUE(has(text, "RsrcMgr::cleanSfx: Error: Unable to remove SFX from temp directory"))
        << text;
    EXPECT_TRUE(has(text, "Error cleaning 'Common' SFX package.")) << text;
    // The main package was unpacked after it, and the run went on.
    EXPECT_TRUE(has(text, "RsrcMgr::initialize: Resource initialization successful!")) << text;
    ASSERT_EQ(runFolders().size(), 1u);
    EXPECT_TRUE(exists(temp_ + L"\\" + runFolders()[0] + L"\\Package\\config.ini"));
}

TEST_F(LauncherProcess, TypedAtACommandPromptTheProgramRunsTheConsoleMode) {
    // The prompt passes the name as typed, without ".exe", as argument 0.
    writeFile(root_ + L"KIV.exe", readFile(windowsPath(KIV_SHORT_EXE)));
    ChildResult r = runChild(L"C:\\windows\\system32\\cmd.exe", L"/c KIV -m 2 -e 1 -d 127.77.0.9",
                             environment({}), root_);
    std::string text = log();
    EXPECT_TRUE(has(text, "CmdLineOpts::parseCmdLine: App path: Not Provided\r\n")) << text;
    EXPECT_TRUE(has(text, "CmdLineOpts::parseCmdLine: Command line parsing successful!")) << text;
    EXPECT_TRUE(has(r.output, "Device: 127.77.0.9, Result: Failure")) << r.output;
    EXPECT_EQ(r.exitCode, 2u) << "an address that matched no printer";
}

// A library planted beside the program (a downloads folder, which is also
// the current folder here) is not what a load by name finds.
TEST_F(LauncherProcess, ALibraryPlantedBesideTheProgramIsNotLoadedByName) {
    writeFile(root_ + L"KIV.exe", readFile(windowsPath(KIV_STUBMODE_EXE)));
    writeFile(root_ + L"kivplanted.dll",
              readFile(windowsPath(KIV_STUB_DIR) + L"\\ok\\NoGuiUpdateMode.dll"));
    ChildResult r = runChild(root_ + L"KIV.exe", L"-m 2",
                             environment({{L"KIV_STUB_LOAD", false, L"kivplanted.dll"}}), root_);
    EXPECT_EQ(r.exitCode, 7u) << "mode result 17 (exit 8): the planted library was loaded";
}

TEST_F(LauncherProcess, ATempFolderOutsideTheLogsCharactersKeepsThePathLines) {
    // A user's name in Cyrillic and Greek, with one Latin-1 letter.
    const std::wstring userTemp = temp_ + L"\\\x0416\x03b1\x00e9";
    makeDir(userTemp);
    ChildResult r = run(KIV_NONOGUI_EXE, L"-m 2", {{L"TEMP", false, userTemp}});
    EXPECT_EQ(r.exitCode, 4u);
    std::vector<std::wstring> folders = subfolders(userTemp + L"\\");
    ASSERT_EQ(folders.size(), 1u);
    // The log's 8-bit text marks what it cannot hold and keeps the rest.
    const std::string inLog =
        "\\" + std::string(folders[0].begin(), folders[0].end()) + "\\Common\\";
    std::string logTemp(temp_.begin(), temp_.end());
    logTemp += "\\??\xe9";
    const std::string text = log();
    EXPECT_TRUE(has(text, "RsrcMgr::getCommonPath: rc=" + logTemp + inLog + ".\r\n")) << text;
    EXPECT_TRUE(
        has(text, "LoadLibrary() failed on path= " + logTemp + inLog + "NoGuiUpdateMode.dll\r\n"))
        << text;
}
