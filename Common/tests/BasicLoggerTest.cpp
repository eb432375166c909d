#include "BasicLogger.h"
#include "BasicLoggerFile.h"
#include "LogLineFormat.h"
#include "MethodTrace.h"
#include "ScopedHandle.h"
#include "TestSupport.h"
#include "Win32Exception.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

// Splits a default-format line into its time stamp, component column and text.
struct ParsedLine {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
    std::string component; // the padded 25-character column
    std::string text;      // from column 51 on
};

bool parseLine(const std::string& line, ParsedLine& out) {
    if (line.size() < 50 || line[23] != ' ' || line[49] != ' ')
        return false;
    char sep[6] = {};
    int fields = std::sscanf(line.c_str(), "%4d%c%2d%c%2d%c%2d%c%2d%c%2d.%3d", &out.year, &sep[0],
                             &out.month, &sep[1], &out.day, &sep[2], &out.hour, &sep[3],
                             &out.minute, &sep[4], &out.second, &out.millis);
    if (fields != 12 || std::string(sep, 5) != "//-::" || line[19] != '.')
        return false;
    out.component = line.substr(24, 25);
    out.text = line.substr(50);
    return true;
}

TEST(LoggerLineFormat, ScopesMessagesAndResultReadBackFromTheFile) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    ASSERT_TRUE(fileExists(log.path())) << "bring-up creates the file when the switch is on";
    SYSTEMTIME before;
    GetLocalTime(&before);
    {
        MethodTrace outer(LogKIVInit, L"Outer::run: ");
        outer.message(L"hello ", int32_t(42));
        {
            MethodTrace inner(LogGUIMode, L"Inner::step(): ");
            inner.message(L"inside");
            inner.setResult(L"5");
        }
    }
    LoggerComponent longName(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    logLine(longName, L"long component");
    logLine(LogUpdater, L"greek \x03b1\x03b2, a face \xd83d\xde00 and latin-1 \x00e9");
    // A value that tries to end its line and forge the next one.
    logLine(LogUpdater, L"reply=OK\r\n2009/03/05-14:05:09.042 Updater forged\n");

    std::string bytes = readFileBytes(log.path());
    bool crlf = false;
    std::vector<std::string> lines = splitCrLf(bytes, &crlf);
    ASSERT_TRUE(crlf) << "every line ends with CR LF and none holds a stray one";
    ASSERT_EQ(lines.size(), 9u);

    const char* texts[] = {"+Outer::run: ",           " Outer::run: hello 42",  " +Inner::step(): ",
                           "  Inner::step(): inside", " -Inner::step():  rc=5", "-Outer::run: "};
    const char* components[] = {"KIVInit", "KIVInit", "GUIMode", "GUIMode", "GUIMode", "KIVInit"};
    for (int i = 0; i < 6; ++i) {
        ParsedLine parsed;
        ASSERT_TRUE(parseLine(lines[i], parsed)) << lines[i];
        EXPECT_EQ(parsed.text, texts[i]);
        std::string column = components[i];
        column.resize(25, ' ');
        EXPECT_EQ(parsed.component, column);
        EXPECT_EQ(parsed.year, before.wYear);
        EXPECT_GE(parsed.month, 1);
        EXPECT_LE(parsed.month, 12);
        EXPECT_LE(parsed.hour, 23);
        EXPECT_LE(parsed.minute, 59);
        EXPECT_LE(parsed.second, 59);
        EXPECT_LE(parsed.millis, 999);
    }
    // A longer name is printed whole, followed by one blank.
    EXPECT_EQ(lines[6].substr(24), "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234 long component");
    // What the file's 8-bit text cannot hold is marked; Latin-1 goes out as its byte.
    EXPECT_EQ(lines[7].substr(50), "greek ??, a face ? and latin-1 \xe9");
    EXPECT_EQ(lines[8].substr(50), "reply=OK<CR><LF>2009/03/05-14:05:09.042 Updater forged<LF>");
}

TEST(LoggerLineFormat, FixedTimeIsPaddedFieldByField) {
    LogLineHeader early;
    early.year = 2009, early.month = 3, early.day = 5, early.hour = 14, early.minute = 5;
    early.second = 9, early.millis = 42;
    LogLineHeader late = early;
    late.year = 987, late.month = 12, late.day = 31, late.hour = 0, late.minute = 0;
    late.second = 0, late.millis = 7;
    std::wstring lines;
    appendLogLine(lines, early, L"KIVInit", 25, 0, L"text", L"");
    appendLogLine(lines, late, L"Updater", 25, 2, L"deeper", L"");
    EXPECT_EQ(lines, L"2009/03/05-14:05:09.042 KIVInit                   text\r\n"
                     L"0987/12/31-00:00:00.007 Updater                     deeper\r\n");
}

// Turns the process and thread ids on through the settings source.
class HeaderIdsLogger : public BasicLogger {
public:
    using BasicLogger::BasicLogger;
    void getSetting(const std::wstring& key, uint32_t& value, uint32_t defaultValue) override {
        if (key == L"Proc_Id_In_Header" || key == L"Thread_Id_In_Header")
            value = 1;
        else if (key == L"Clocktime_In_Header")
            value = 0;
        else
            BasicLogger::getSetting(key, value, defaultValue);
    }
    std::wstring getLinePrefix(const LoggerComponent&, uint32_t, const wchar_t*) override {
        return L"<";
    }
    std::wstring getLineSuffix(const LoggerComponent&, uint32_t, const wchar_t*) override {
        return L">";
    }
};

TEST(LoggerLineFormat, ProcessAndThreadIdsPrefixAndSuffix) {
    TempFolder folder;
    std::wstring path = folder.path() + L"ids.txt";
    writeFileBytes(path, "");
    {
        HeaderIdsLogger logger(path, 25);
        logger.log(LogKIVInit, LogLevelMessage, L"text");
    }
    char expected[128];
    std::snprintf(expected, sizeof(expected), "<pid=%04lx tid=%04lx KIVInit%18s text>\r\n",
                  GetCurrentProcessId(), GetCurrentThreadId(), "");
    EXPECT_EQ(readFileBytes(path), expected);
}

TEST(LoggerLineFormat, DepthIsKeptPerThread) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    ScopedKernelHandle opened(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedKernelHandle written(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread other([&] {
        MethodTrace scope(LogKIVInit, L"Other::deep: ");
        MethodTrace nested(LogKIVInit, L"Other::deeper: ");
        SetEvent(opened.get());
        WaitForSingleObject(written.get(), 10000);
        nested.message(L"two in");
    });
    WaitForSingleObject(opened.get(), 10000);
    logLine(LogKIVInit, L"main thread at depth 0");
    {
        MethodTrace mine(LogKIVInit, L"Main::one: ");
        mine.message(L"one in");
    }
    SetEvent(written.get());
    other.join();
    std::vector<std::string> texts = log.texts();
    EXPECT_NE(findText(texts, "main thread at depth 0"), -1);
    EXPECT_NE(findText(texts, "+Main::one: "), -1);
    EXPECT_NE(findText(texts, " Main::one: one in"), -1);
    EXPECT_NE(findText(texts, "  Other::deeper: two in"), -1);
    EXPECT_NE(findText(texts, " -Other::deeper: "), -1);
    EXPECT_EQ(log.logger()->getDepth(GetCurrentThreadId()), 0);
}

TEST(LoggerLineFormat, ScopeWithoutEntryAndExitLinesStillWritesItsMessages) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    {
        MethodTrace quiet(*log.logger(), LogKIVInit, L"Quiet::run: ", LogLevelTrace, false);
        EXPECT_FALSE(quiet.enabled());
        EXPECT_EQ(log.logger()->getDepth(GetCurrentThreadId()), 0) << "no indent without a scope";
        quiet.message(L"said ", int32_t(3));
        quiet.setResult(L"1");
    }
    std::vector<std::string> texts = log.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Quiet::run: said 3");
}

TEST(LoggerStartGate, LinesStopWhenTheFileIsDeletedAndResumeWhenItReturns) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    logLine(LogKIVInit, L"before");
    ASSERT_TRUE(deleteFileRetrying(log.path()));
    DWORD deleted = GetTickCount();
    int written = 0;
    while (BasicLogger::getInstance().isEnabled(LogKIVInit, LogLevelMessage) &&
           GetTickCount() - deleted < 8000) {
        logLine(LogKIVInit, L"while gone ", written++);
        Sleep(20);
    }
    DWORD stopped = GetTickCount() - deleted;
    EXPECT_LT(stopped, 5500u) << "gate still open " << stopped << " ms after the deletion";
    EXPECT_FALSE(fileExists(log.path())) << "lines must not bring the file back";

    writeFileBytes(log.path(), "");
    DWORD created = GetTickCount();
    while (!BasicLogger::getInstance().isEnabled(LogKIVInit, LogLevelMessage) &&
           GetTickCount() - created < 8000)
        Sleep(50);
    DWORD resumed = GetTickCount() - created;
    EXPECT_LT(resumed, 5500u) << "gate still shut " << resumed << " ms after the file returned";
    logLine(LogKIVInit, L"after");
    std::vector<std::string> texts = log.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "after");
}

TEST(LoggerStartGate, FileHeldByAnotherProgramLosesOnlyTheLinesMeanwhile) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    logLine(LogKIVInit, L"before");
    {
        // An editor, a backup or a virus scanner that shares nothing.
        ScopedFileHandle held(CreateFileW(log.path().c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.valid());
        logLine(LogKIVInit, L"while held");
        logLine(LogKIVInit, L"still held");
    }
    logLine(LogKIVInit, L"after");
    std::vector<std::string> expected = {"before", "after"};
    EXPECT_EQ(log.texts(), expected);
}

TEST(LoggerStartGate, ScopeOpenedWhileOffWritesItsMessagesOnceOn) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    ASSERT_TRUE(deleteFileRetrying(log.path()));
    logLine(LogKIVInit, L"lost"); // the failed write makes the gate read the file again
    MethodTrace scope(LogKIVInit, L"Late::run: ");
    ASSERT_FALSE(scope.enabled()) << "opened while the log was off";
    writeFileBytes(log.path(), "");
    DWORD created = GetTickCount();
    while (!BasicLogger::getInstance().isEnabled(LogKIVInit, LogLevelMessage) &&
           GetTickCount() - created < 8000)
        Sleep(50);
    scope.message(L"now on ", int32_t(1));
    std::vector<std::string> expected = {"Late::run: now on 1"};
    EXPECT_EQ(log.texts(), expected);
}

TEST(LoggerBringUp, WithoutTheProfileFolderTheLogGoesToTheDriveRoot) {
    TempFolder current;
    wchar_t oldCurrent[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, oldCurrent);
    ASSERT_TRUE(SetCurrentDirectoryW(current.path().c_str()));
    wchar_t windowsDir[MAX_PATH + 1];
    ASSERT_GT(GetWindowsDirectoryW(windowsDir, MAX_PATH + 1), 3u);
    const std::wstring rootLog = std::wstring(windowsDir, 3) + L"KIVlog.txt";
    ASSERT_TRUE(deleteFileRetrying(rootLog));
    wchar_t oldProfile[MAX_PATH + 1];
    DWORD hadProfile = GetEnvironmentVariableW(L"ALLUSERSPROFILE", oldProfile, MAX_PATH + 1);
    SetEnvironmentVariableW(L"ALLUSERSPROFILE", nullptr);
    setLogSwitch(L"Tavrin", 1);
    removeLogSwitch(L"Oskel");
    BasicLogger::clearDisabledForTesting();
    BasicLogger* logger = makeBasicLogger();
    removeLogSwitch(L"Tavrin");
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(logger->getPath(), rootLog);
    logLine(LogKIVInit, L"at the root");
    std::vector<std::string> lines = splitCrLf(readFileBytes(rootLog));
    delete logger;
    SetEnvironmentVariableW(L"ALLUSERSPROFILE", hadProfile ? oldProfile : nullptr);
    SetCurrentDirectoryW(oldCurrent);
    EXPECT_TRUE(deleteFileRetrying(rootLog));
    EXPECT_FALSE(fileExists(current.path() + L"KIVlog.txt")) << "nothing in the current folder";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(50), "at the root");
}

// The access list a file is created with, in the system's text form ("(A;;GA;;;WD)"
// is full access for Everyone). Wine keeps only Unix mode bits for a file, so
// the list is read from the creation call itself.
std::wstring g_createdWith;
HANDLE WINAPI recordingCreateFile(LPCWSTR path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE templ) {
    wchar_t* text = nullptr;
    if (security && ConvertSecurityDescriptorToStringSecurityDescriptorW(
                        security->lpSecurityDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                        &text, nullptr)) {
        g_createdWith = text;
        LocalFree(text);
    }
    return CreateFileW(path, access, share, security, disposition, flags, templ);
}

TEST(LoggerBringUp, LogFileIsCreatedWritableForEveryoneAndNeverTruncated) {
    TempFolder folder;
    const std::wstring path = folder.path() + L"KIVlog.txt";
    ASSERT_TRUE(createLogFile(path, &recordingCreateFile));
    // Later runs of other users append to it.
    EXPECT_NE(g_createdWith.find(L"(A;;GA;;;WD)"), std::wstring::npos) << g_createdWith;
    // Another run that found the file missing at the same moment comes second.
    writeFileBytes(path, "first run's line\r\n");
    EXPECT_FALSE(createLogFile(path));
    EXPECT_EQ(readFileBytes(path), "first run's line\r\n");
}

TEST(LoggerBringUp, SwitchFromEitherBrandKey) {
    struct Case {
        const char* name;
        int tavrin; // -1: no value
        int oskel;
        bool on;
    } cases[] = {
        {"Tavrin only", 1, -1, true}, {"Oskel only", -1, 1, true},       {"both 2", 2, 2, false},
        {"neither", -1, -1, false},   {"Tavrin 0, Oskel 1", 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::wstring profile = folder.path().substr(0, folder.path().size() - 1);
        SetEnvironmentVariableW(L"ALLUSERSPROFILE", profile.c_str());
        if (c.tavrin >= 0)
            setLogSwitch(L"Tavrin", static_cast<uint32_t>(c.tavrin));
        else
            removeLogSwitch(L"Tavrin");
        if (c.oskel >= 0)
            setLogSwitch(L"Oskel", static_cast<uint32_t>(c.oskel));
        else
            removeLogSwitch(L"Oskel");
        BasicLogger::clearDisabledForTesting();
        BasicLogger* logger = makeBasicLogger();
        ASSERT_NE(logger, nullptr);
        EXPECT_EQ(logger->getPath(), folder.path() + L"KIVlog.txt");
        EXPECT_EQ(BasicLogger::isDisabled(), !c.on);
        EXPECT_EQ(fileExists(logger->getPath()), c.on);
        EXPECT_EQ(logger->isEnabled(LogKIVInit, LogLevelTrace), c.on);
        delete logger;
    }
    removeLogSwitch(L"Tavrin");
    removeLogSwitch(L"Oskel");
}

TEST(LoggerBringUp, WrongSizedSwitchIsOff) {
    TempFolder folder;
    std::wstring profile = folder.path().substr(0, folder.path().size() - 1);
    SetEnvironmentVariableW(L"ALLUSERSPROFILE", profile.c_str());
    uint64_t wide = 1;
    setLogSwitchRaw(L"Tavrin", &wide, sizeof(wide), REG_QWORD);
    removeLogSwitch(L"Oskel");
    BasicLogger::clearDisabledForTesting();
    BasicLogger* logger = makeBasicLogger();
    removeLogSwitch(L"Tavrin");
    EXPECT_TRUE(BasicLogger::isDisabled());
    delete logger;
}

TEST(LoggerBringUp, ShorterSwitchValueCountsByItsBytes) {
    struct Case {
        const char* name;
        unsigned char bytes[2];
        uint32_t size;
        bool on;
    } cases[] = {
        {"one byte 1", {1, 0}, 1, true},
        {"two bytes 1", {1, 0}, 2, true},
        {"one byte 2", {2, 0}, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        std::wstring profile = folder.path().substr(0, folder.path().size() - 1);
        SetEnvironmentVariableW(L"ALLUSERSPROFILE", profile.c_str());
        setLogSwitchRaw(L"Tavrin", c.bytes, c.size, REG_BINARY);
        removeLogSwitch(L"Oskel");
        BasicLogger::clearDisabledForTesting();
        BasicLogger* logger = makeBasicLogger();
        removeLogSwitch(L"Tavrin");
        ASSERT_NE(logger, nullptr);
        EXPECT_EQ(BasicLogger::isDisabled(), !c.on);
        EXPECT_EQ(fileExists(logger->getPath()), c.on);
        delete logger;
    }
}

TEST(LoggerBringUp, OneInstancePerModule) {
    EXPECT_FALSE(BasicLogger::hasInstance());
    try {
        BasicLogger::getInstance();
        ADD_FAILURE() << "getInstance before bring-up must throw";
    } catch (const Win32Exception& e) {
        EXPECT_EQ(e.getMessage(), L"BasicLogger::getInstance()");
        EXPECT_EQ(e.getCode(), 1);
        EXPECT_EQ(e.getSourceFile(), L"");
        EXPECT_EQ(e.getLine(), 0);
    }
    {
        // Without a logger, scopes and lines are silently off.
        MethodTrace scope(LogKIVInit, L"NoLogger::run: ");
        EXPECT_FALSE(scope.enabled());
        scope.message(L"ignored");
        logLine(LogKIVInit, L"ignored");
    }
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    EXPECT_EQ(&BasicLogger::getInstance(), log.logger());
    EXPECT_EQ(makeBasicLogger(), nullptr) << "a second bring-up keeps the first instance";
    EXPECT_EQ(&BasicLogger::getInstance(), log.logger());
}

TEST(LoggerStartGate, FollowsTheFileWhateverCharactersItsPathHolds) {
    TempFolder folder;
    std::wstring plain = folder.path() + L"gate.txt";
    std::wstring cyrillic = folder.path() + L"\x0416.txt";
    writeFileBytes(cyrillic, "");
    ASSERT_TRUE(fileExists(cyrillic));
    BasicLogger plainLogger(plain, 25);
    BasicLogger cyrillicLogger(cyrillic, 25);
    uint32_t gate = 7;
    plainLogger.getSetting(L"startLog", gate, 0);
    EXPECT_EQ(gate, 0u) << "no file, no log";
    writeFileBytes(plain, "");
    plainLogger.getSetting(L"startLog", gate, 0);
    EXPECT_EQ(gate, 0xFFFFFFFFu);
    // The file is opened by its wide name: a folder or user name outside the
    // lines' 8-bit characters must not switch the whole log off.
    cyrillicLogger.getSetting(L"startLog", gate, 0);
    EXPECT_EQ(gate, 0xFFFFFFFFu);
    cyrillicLogger.log(LogKIVInit, LogLevelMessage, L"written");
    EXPECT_NE(readFileBytes(cyrillic).find("written"), std::string::npos);
    plainLogger.getSetting(L"Clocktime_In_Header", gate, 1);
    EXPECT_EQ(gate, 1u) << "other settings take their defaults";
}

// Counts the reads of the settings source and answers per key.
class CountingLogger : public BasicLogger {
public:
    using BasicLogger::BasicLogger;
    std::atomic<int> reads{0};
    void getSetting(const std::wstring& key, uint32_t& value, uint32_t) override {
        ++reads;
        value = static_cast<uint32_t>(key.size()) * 1000u + key[0];
    }
};

TEST(LoggerSettingsCache, ConcurrentReadersAndRefreshesStayConsistent) {
    TempFolder folder;
    CountingLogger logger(folder.path() + L"cache.txt", 25);
    const std::wstring keys[] = {L"alpha", L"beta", L"gamma-long-key", L"d"};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20000; ++i) {
                const std::wstring& key = keys[(i + t) % 4];
                uint32_t value = 0;
                // Age 0 forces a refresh (a cache write) on every call.
                logger.getCachedSetting(key, value, 0, (i % 3) ? 5000 : 0);
                if (value != static_cast<uint32_t>(key.size()) * 1000u + key[0])
                    ++wrong;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);

    CountingLogger fresh(folder.path() + L"cache2.txt", 25);
    uint32_t value = 0;
    for (int i = 0; i < 1000; ++i)
        fresh.getCachedSetting(L"alpha", value, 0, 5000);
    EXPECT_EQ(fresh.reads.load(), 1) << "within the age, the source is read once";
}

DWORD WINAPI logTwoLines(void*) {
    logLine(LogUpdater, L"while stuck 1");
    logLine(LogUpdater, L"while stuck 2");
    return 0;
}

TEST(LoggerLockWait, LinesWaitBoundedTimeAndTheNextLineCountsTheDropped) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    // Another program's logger, hung (or in a debugger) while it holds the lock.
    ScopedKernelHandle stuck(CreateMutexW(nullptr, FALSE, L"TZLOG_KIVlog.txt"));
    ASSERT_EQ(WaitForSingleObject(stuck.get(), 0), WAIT_OBJECT_0);
    ScopedKernelHandle worker(CreateThread(nullptr, 0, &logTwoLines, nullptr, 0, nullptr));
    const DWORD waited = WaitForSingleObject(worker.get(), 30000);
    ReleaseMutex(stuck.get());
    WaitForSingleObject(worker.get(), INFINITE);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the worker was held until the lock came free";
    logLine(LogUpdater, L"after");
    std::vector<std::string> expected = {"Log lines dropped (log lock busy): 2", "after"};
    EXPECT_EQ(log.texts(), expected);
}

} // namespace

namespace {

// The index of each "free <n>" line of a file, in file order.
std::vector<int> freeLineIndexes(const std::wstring& path) {
    std::vector<int> indexes;
    for (const std::string& line : splitCrLf(readFileBytes(path))) {
        int n = -1;
        if (line.size() > 50 && std::sscanf(line.c_str() + 50, "free %d", &n) == 1)
            indexes.push_back(n);
    }
    return indexes;
}

// Another program's move: it may meet a line being written (the file open
// for that moment, shared for reading and writing only) and tries again.
bool retryWhileInUse(const std::function<bool()>& attempt) {
    for (int tries = 0; tries < 200; ++tries) {
        if (attempt())
            return true;
        if (GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_ACCESS_DENIED)
            return false;
        Sleep(1);
    }
    return false;
}

} // namespace

TEST(LoggerFileBetweenLines, RenamedOrDeletedWhileLinesGoOutTheNextLinesLandInTheFreshFile) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    std::atomic<bool> stop{false};
    std::atomic<int> next{0};
    // Straight to the file: the start gate, which would shut for a while
    // after a line meets no file, is not what this is about.
    std::thread writer([&] {
        while (!stop)
            BasicLogger::getInstance().log(LogKIVInit, LogLevelMessage,
                                           L"free " + std::to_wstring(next++));
    });
    // Rotated twice by renaming, then once by deleting, each time replaced
    // by an empty file at once, while the writer goes on.
    std::vector<std::wstring> files;
    for (int round = 0; round < 3; ++round) {
        const int before = next;
        while (next < before + 50)
            Sleep(1);
        const std::wstring old = log.path() + L"." + std::to_wstring(round);
        const bool moved =
            round < 2 ? retryWhileInUse([&] { return MoveFileW(log.path().c_str(), old.c_str()); })
                      : retryWhileInUse([&] { return DeleteFileW(log.path().c_str()); });
        EXPECT_TRUE(moved) << "round " << round << ": error " << GetLastError();
        // A handle left open would keep a deleted name from being created again.
        ScopedFileHandle fresh(CreateFileW(log.path().c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(fresh.valid()) << "round " << round << ": error " << GetLastError();
        if (round < 2)
            files.push_back(old);
    }
    const int last = next;
    while (next < last + 50)
        Sleep(1);
    stop = true;
    writer.join();
    files.push_back(log.path());

    // Lines written while no file was there are lost (the file is the start
    // gate); every other line is in exactly one file, in order, and each
    // fresh file took the lines that followed.
    int previous = -1;
    for (const std::wstring& file : files) {
        std::vector<int> indexes = freeLineIndexes(file);
        EXPECT_FALSE(indexes.empty()) << "no line landed in a fresh file";
        for (int n : indexes) {
            EXPECT_GT(n, previous);
            previous = n;
        }
        DeleteFileW(file.c_str());
    }
    EXPECT_EQ(previous, next - 1) << "the last line is in the last file";
}

namespace {

// Brings the file back the first time a line finds it missing, and says so
// in the log, from inside the write of that line.
class RecreatingLogger : public BasicLogger {
public:
    using BasicLogger::BasicLogger;
    void onLogFileMissing() override {
        if (recreated++ == 0) {
            writeFileBytes(getPath(), "");
            log(LogKIVInit, LogLevelMessage, L"log file was missing");
        }
    }
    int recreated = 0;
};

DWORD WINAPI logLostLine(void* logger) {
    static_cast<BasicLogger*>(logger)->log(LogKIVInit, LogLevelMessage, L"lost with the file");
    return 0;
}

} // namespace

TEST(LoggerFileBetweenLines, AHookThatLogsDuringAWriteDoesNotWaitForThatWrite) {
    TempFolder folder;
    // Left alive if the line never returns: its thread still uses it.
    RecreatingLogger* logger = new RecreatingLogger(folder.path() + L"hook.txt", 25);
    ScopedKernelHandle worker(CreateThread(nullptr, 0, &logLostLine, logger, 0, nullptr));
    ASSERT_EQ(WaitForSingleObject(worker.get(), 10000), WAIT_OBJECT_0)
        << "the line waits for itself";
    logger->log(LogKIVInit, LogLevelMessage, L"after");
    std::vector<std::string> texts;
    for (const std::string& line : splitCrLf(readFileBytes(logger->getPath())))
        texts.push_back(line.size() > 50 ? line.substr(50) : line);
    const std::vector<std::string> expected = {"log file was missing", "after"};
    EXPECT_EQ(texts, expected);
    delete logger;
}
