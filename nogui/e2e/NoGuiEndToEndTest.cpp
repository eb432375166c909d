// The shipped program end to end: the short-timer KIV.exe with its embedded
// packages, run as a child process in console mode against the printer
// simulator, with the machine's registry set up as an installer would find it.
#include "CIniReader.h"
#include "ScopedHandle.h"
#include "SimControl.h"
#include "WindowsSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const wchar_t* const PortsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

std::wstring env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::wstring(v, v + std::strlen(v)) : std::wstring();
}

// A Linux path as the Windows side sees it through drive Z:.
std::wstring windowsPath(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return L"Z:" + path;
}

std::string narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs KIV.exe (the short-timer one unless another is named) with the
// arguments and collects its standard output.
RunResult runKiv(const std::wstring& args, DWORD timeoutMs = 180000,
                 const char* exeVariable = "KIV_SHORT_EXE") {
    RunResult r;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &sa, 0))
        return r;
    ScopedKernelHandle readEnd(readRaw), writeEnd(writeRaw);
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring exe = windowsPath(env(exeVariable));
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                          &pi))
        return r;
    ScopedKernelHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset();

    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd.get(), buf, sizeof buf, &n, nullptr) && n > 0)
        r.output.append(buf, n);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        return r;
    }
    ::GetExitCodeProcess(process.get(), &r.exitCode);
    return r;
}

bool setValue(const std::wstring& path, const wchar_t* name, DWORD value) {
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_DWORD, &value,
                             sizeof value) == ERROR_SUCCESS;
}

bool setValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), name, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring readText(const std::wstring& path, const std::wstring& name) {
    wchar_t buf[256] = {};
    DWORD size = sizeof buf - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buf,
                       &size) != ERROR_SUCCESS)
        return std::wstring();
    return buf;
}

// A machine-wide 32-bit value for the length of one run, removed even when an
// assertion ends the test early.
class MachineValue {
public:
    MachineValue(const std::wstring& path, const wchar_t* name, DWORD value)
        : path_(path), name_(name), ok_(setValue(path, name, value)) {}
    ~MachineValue() { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, path_.c_str(), name_); }
    bool ok() const { return ok_; }

private:
    std::wstring path_;
    const wchar_t* name_;
    bool ok_;
};

// A Standard TCP/IP spooler port, as the driver installer leaves it.
class SpoolerPort {
public:
    SpoolerPort(const std::wstring& name, const std::wstring& address)
        : path_(std::wstring(PortsKey) + L"\\" + name) {
        ok_ = setValue(path_, L"HostName", address) && setValue(path_, L"IPAddress", address) &&
              setValue(path_, L"PortNumber", 9100) && setValue(path_, L"Protocol", 1);
    }
    ~SpoolerPort() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::wstring path_;
    bool ok_ = false;
};

// A print queue on a port, as adding a printer leaves it.
class PrintQueue {
public:
    PrintQueue(const std::wstring& name, const std::wstring& port, const std::wstring& driver)
        : path_(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name) {
        ok_ = setValue(path_, L"Port", port) && setValue(path_, L"Printer Driver", driver);
    }
    ~PrintQueue() { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::wstring path_;
    bool ok_ = false;
};

// What the package declares, read from the same config.ini the build embedded.
struct Package {
    std::wstring version, brandKey, recordKey, valueName, driver;
};

Package readPackage() {
    CIniReader ini;
    ini.setINIFileName(env("KIV_SHORT_CONFIG"));
    Package p;
    auto first = [&ini](const wchar_t* key) {
        const std::vector<std::wstring>& v = ini.getKeyValue(key);
        return v.empty() ? std::wstring() : v[0];
    };
    p.version = first(L"FirmwareVersion1");
    p.brandKey = L"Software\\" + first(L"Vendor");
    p.recordKey = p.brandKey + L"Inkjet\\KIV";
    p.driver = first(L"DriverModelName");
    p.valueName = p.driver;
    for (wchar_t& c : p.valueName)
        if (c == L' ')
            c = L'_';
    return p;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The log file as ASCII text (it may be written in UTF-16 or 8-bit).
std::string readLog(const wchar_t* path) {
    std::string log;
    ScopedFileHandle f(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f.valid())
        return log;
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(f.get(), buf, sizeof buf, &n, nullptr) && n > 0)
        log.append(buf, n);
    std::string ascii;
    for (char c : log)
        if (c != '\0')
            ascii += c;
    return ascii;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::wstring logPath() {
    wchar_t path[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ALLUSERSPROFILE%\\KIVlog.txt", path, MAX_PATH);
    return path;
}

class NoGuiEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(simNet().empty()) << "not started by with-sim.sh";
        ASSERT_FALSE(env("KIV_SHORT_EXE").empty());
        for (const char* s : {"older", "second", "otherletter", "current"})
            simRestore(s);
        package = readPackage();
        ASSERT_FALSE(package.version.empty());
    }
    std::string addr(int host) { return narrow(simAddress(host)); }
    std::string deviceLine(const std::string& name, const std::string& tail) {
        return "Device: " + name + ", Result: " + tail;
    }
    Package package;
};

TEST_F(NoGuiEndToEnd, FlashesTheSpoolerPrinterRecordsAndLogs) {
    MachineValue logSwitch(package.brandKey, L"kivlog", 1);
    ASSERT_TRUE(logSwitch.ok());
    ::DeleteFileW(logPath().c_str());
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, package.recordKey.c_str(), package.valueName.c_str());

    SpoolerPort port(L"KIV_e2e_" + simAddress(2), simAddress(2));
    ASSERT_TRUE(port.ok());
    RunResult r = runKiv(L"-m 2 -e 1");

    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_TRUE(contains(r.output, ", Result: Success")) << r.output;
    // Output to a pipe: whole progress lines, ending at a verified 100%.
    EXPECT_TRUE(contains(r.output, "sending firmware")) << r.output;
    EXPECT_TRUE(contains(r.output, "[100%] verified")) << r.output;
    EXPECT_EQ(simStateField("older", "aio"), narrow(package.version));
    EXPECT_EQ(simStateField("older", "accepted"), "1");
    EXPECT_EQ(readText(package.recordKey, package.valueName), package.version);

    // The log tells the whole story, in order.
    const std::string ascii = readLog(logPath().c_str());
    ASSERT_FALSE(ascii.empty()) << "no log file";
    const char* flow[] = {"Beginning KIV execution...",
                          "NoGuiMode::initialize",
                          "ISDUpdater::enumerateCompatibleDevices",
                          "ISDUpdater::update",
                          "Update completed!",
                          "Store version in registry",
                          "KIV execution complete"};
    size_t at = 0;
    for (const char* step : flow) {
        size_t found = ascii.find(step, at);
        EXPECT_NE(found, std::string::npos) << "missing or out of order: " << step;
        if (found != std::string::npos)
            at = found;
    }
}

TEST_F(NoGuiEndToEnd, ReportsWhatCouldNotBeDone) {
    // A spooler port whose printer is off: nothing can be reached.
    {
        SpoolerPort port(L"KIV_e2e_" + simAddress(9), simAddress(9));
        ASSERT_TRUE(port.ok());
        RunResult r = runKiv(L"-m 2 -e 1");
        EXPECT_EQ(r.exitCode, 11u) << r.output;
    }
    // A printer on another firmware letter refuses the package.
    RunResult mismatch = runKiv(L"-m 2 -e 1 -d " + simAddress(4));
    EXPECT_EQ(mismatch.exitCode, 6u) << mismatch.output;
    EXPECT_TRUE(contains(mismatch.output, "ErrorCode: ErrorBadFW")) << mismatch.output;
    EXPECT_EQ(simStateField("otherletter", "received"), "0");

    RunResult name = runKiv(L"-m 2 -e 1 -d NoSuchPrinter");
    EXPECT_EQ(name.exitCode, 9u) << name.output;
    EXPECT_TRUE(contains(name.output,
                         deviceLine("NoSuchPrinter", "Failure, ErrorCode: Miscellaneous Error")))
        << name.output;
    // Result lines only when asked for with -e 1; the exit code is the same.
    for (const wchar_t* errors : {L"-e 2 ", L""}) {
        RunResult quiet = runKiv(std::wstring(L"-m 2 ") + errors + L"-d NoSuchPrinter");
        EXPECT_EQ(quiet.exitCode, 9u) << quiet.output;
        EXPECT_FALSE(contains(quiet.output, "Device: ")) << quiet.output;
    }

    RunResult silent = runKiv(L"-m 2 -e 1 -d " + simAddress(9));
    EXPECT_EQ(silent.exitCode, 2u) << silent.output;
    EXPECT_TRUE(
        contains(silent.output, deviceLine(addr(9), "Failure, ErrorCode: ErrorIPNoPrinter")))
        << silent.output;
}

TEST_F(NoGuiEndToEnd, SkipsAnUpToDatePrinterWhenNotForced) {
    ASSERT_TRUE(simSet("current", "AioVersion", narrow(package.version)));
    RunResult r = runKiv(L"-m 2 -e 1 -f 2 -d " + simAddress(5));
    EXPECT_EQ(r.exitCode, 7u) << r.output;
    EXPECT_TRUE(contains(r.output, "Result: Failure, ErrorCode: DeviceAlreadyUpToDate"))
        << r.output;
    EXPECT_EQ(simStateField("current", "received"), "0");

    // The package's build with another firmware letter is another image: not
    // up to date, but refused as a plain update refuses it.
    std::string otherLetter = narrow(package.version);
    otherLetter[otherLetter.find('_') + 1] =
        otherLetter[otherLetter.find('_') + 1] == 'H' ? 'G' : 'H';
    ASSERT_TRUE(simSet("current", "AioVersion", otherLetter));
    RunResult letter = runKiv(L"-m 2 -e 1 -f 2 -d " + simAddress(5));
    EXPECT_EQ(letter.exitCode, 6u) << letter.output;
    EXPECT_TRUE(contains(letter.output, "ErrorCode: ErrorBadFW")) << letter.output;
    EXPECT_EQ(simStateField("current", "received"), "0");
}

TEST_F(NoGuiEndToEnd, OneFailureAmongTwoPrintersIsTheExitCode) {
    ASSERT_TRUE(simSet("second", "Fault", "keepversion"));
    const std::string before = simStateField("second", "aio");
    RunResult r = runKiv(L"-m 2 -e 1 -d " + simAddress(2) + L"," + simAddress(3));
    EXPECT_EQ(r.exitCode, 4u) << r.output;
    EXPECT_TRUE(contains(r.output, deviceLine(addr(2), "Success"))) << r.output;
    EXPECT_TRUE(contains(r.output, deviceLine(addr(3), "Failure, ErrorCode: ErrorUpdateFailed")))
        << r.output;
    EXPECT_EQ(simStateField("older", "aio"), narrow(package.version));
    EXPECT_EQ(simStateField("second", "aio"), before);
}

TEST_F(NoGuiEndToEnd, PackageNamingAMissingFileSendsNothing) {
    ASSERT_FALSE(env("KIV_SHORT_NOFILE_EXE").empty());
    RunResult r = runKiv(L"-m 2 -e 1 -d " + simAddress(2), 180000, "KIV_SHORT_NOFILE_EXE");
    EXPECT_EQ(r.exitCode, 4u) << r.output;
    EXPECT_TRUE(contains(r.output, deviceLine(addr(2), "Failure, ErrorCode: ErrorUpdateFailed")))
        << r.output;
    // Not even the file the package does carry.
    EXPECT_EQ(simStateField("older", "received"), "0");
}

TEST_F(NoGuiEndToEnd, PrinterThatPausesReadingMidFileIsUpdated) {
    ASSERT_TRUE(simSet("second", "Fault", "pausefile"));
    ASSERT_TRUE(simSet("second", "PauseSeconds", "8"));
    RunResult r = runKiv(L"-m 2 -e 1 -d " + simAddress(3));
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_TRUE(contains(r.output, deviceLine(addr(3), "Success"))) << r.output;
    EXPECT_EQ(simStateField("second", "last"), "accepted");
    EXPECT_EQ(simStateField("second", "aio"), narrow(package.version));
}

// Found through its spooler port, it takes the link but never says what it
// is. Where a queue of the package's driver prints to the port it is a silent
// printer of ours, and the run cannot call every printer updated; without
// one it may be any maker's printer, and is left out.
TEST_F(NoGuiEndToEnd, PrinterFoundButNeverIdentifiedIsNotCountedUpdated) {
    ASSERT_TRUE(simSet("second", "Fault", "silent"));
    SpoolerPort good(L"KIV_e2e_" + simAddress(2), simAddress(2));
    SpoolerPort silent(L"KIV_e2e_" + simAddress(3), simAddress(3));
    ASSERT_TRUE(good.ok() && silent.ok());
    RunResult foreign = runKiv(L"-m 2 -e 1");
    EXPECT_EQ(foreign.exitCode, 0u) << foreign.output;
    EXPECT_FALSE(contains(foreign.output, "KIV_e2e_" + addr(3))) << foreign.output;
    ASSERT_TRUE(simSet("older", "AioVersion", "K206_G010111_00"));

    PrintQueue queue(L"KIV e2e queue", L"KIV_e2e_" + simAddress(3), package.driver);
    ASSERT_TRUE(queue.ok());
    RunResult r = runKiv(L"-m 2 -e 1");
    EXPECT_EQ(r.exitCode, 11u) << r.output;
    EXPECT_TRUE(contains(r.output, ", Result: Success")) << r.output;
    EXPECT_TRUE(contains(
        r.output, deviceLine("KIV_e2e_" + addr(3), "Failure, ErrorCode: Miscellaneous Error")))
        << r.output;
    EXPECT_FALSE(contains(r.output, "every printer was updated")) << r.output;
    EXPECT_EQ(simStateField("older", "aio"), narrow(package.version));
    EXPECT_EQ(simStateField("second", "received"), "0");
}

TEST_F(NoGuiEndToEnd, ForcedExitCodeComesBeforeAnything) {
    MachineValue forced(package.brandKey, L"KivRetCode", 5);
    ASSERT_TRUE(forced.ok());
    RunResult r = runKiv(L"-m 2 -e 1 -d " + simAddress(2));
    EXPECT_EQ(r.exitCode, 5u) << r.output;
    EXPECT_TRUE(r.output.empty()) << r.output;
    EXPECT_EQ(simStateField("older", "received"), "0");
}

TEST_F(NoGuiEndToEnd, ARecordTheUserMayNotWriteIsSaidAndTheRunStillSucceeds) {
    // A volatile parent refuses the lasting key, as HKLM refuses it to a
    // standard user.
    const std::wstring parent = package.brandKey + L"Inkjet";
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, parent.c_str());
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    RunResult r = runKiv(L"-m 2 -e 1 -d " + simAddress(2));
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, parent.c_str());
    EXPECT_EQ(r.exitCode, 0u) << r.output;
    EXPECT_TRUE(contains(r.output, deviceLine(addr(2), "Success"))) << r.output;
    EXPECT_TRUE(
        contains(r.output, "Installed version not recorded: RegCreateKeyEx failed on HKLM\\" +
                               narrow(package.recordKey) + ", error "))
        << r.output;
}

// Old, current, foreign, silent and other-letter printers side by side: each
// gets its verdict, the run says an update is due, and no printer was sent
// anything but the queries that read it.
TEST_F(NoGuiEndToEnd, CheckOnlyRunReportsEachPrinterAndSendsNothing) {
    MachineValue logSwitch(package.brandKey, L"kivlog", 1);
    ASSERT_TRUE(logSwitch.ok());
    ::DeleteFileW(logPath().c_str());
    const char* sections[] = {"checkold", "checkcurrent", "checkforeign", "checksilent",
                              "checkletter"};
    const char* lines[] = {"DeviceUpdateDue", "DeviceAlreadyUpToDate", "ErrorIPWrongPrinter",
                           "ErrorIPNoPrinter", "ErrorBadFW"};
    std::wstring list;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(simRestore(sections[i])) << sections[i];
        list += (i ? L"," : L"") + simAddress(40 + i);
    }
    RunResult r = runKiv(L"-m 2 -e 1 -check 1 -d " + list);
    EXPECT_EQ(r.exitCode, 12u) << r.output;
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(contains(
            r.output, deviceLine(addr(40 + i), std::string("Failure, ErrorCode: ") + lines[i])))
            << r.output;
    std::string sent; // every counter of something other than a query that is not 0
    for (const char* s : sections)
        for (const char* field : {"received", "resets", "commands", "discarded"})
            if (simStateField(s, field) != "0")
                sent += " " + std::string(s) + "." + field + "=" + simStateField(s, field);
    EXPECT_EQ(sent, "") << simState();
    EXPECT_NE(simStateField("checkold", "queries"), "0") << "the check did read the printer";
    EXPECT_EQ(simStateField("checkold", "aio"), "K206_G010111_00");
    const std::string log = readLog(logPath().c_str());
    EXPECT_TRUE(contains(log, "NoGuiRun::run(): Check-only run: versions are read and compared, "
                              "no printer is updated"))
        << log;
    EXPECT_FALSE(contains(log, "ISDUpdater::update(): ")) << log;
}

// ---------------------------------------------------------------------------
// A fleet: twenty printers, updated side by side and one at a time

const int FleetFirst = 20, FleetCount = 20;

// What one run over the fleet left behind.
struct FleetRun {
    RunResult run;
    std::vector<std::string> resultLines;
    std::map<int, std::string> lastLineOf;    // printer number -> its last "[i/n]" line
    std::map<std::string, std::string> state; // section -> aio and accepted count
    std::string log;
};

class NoGuiFleet : public NoGuiEndToEnd {
protected:
    std::string section(int host) { return "fleet" + std::to_string(host); }

    FleetRun runFleet(const char* exeVariable) {
        FleetRun f;
        for (int h = FleetFirst; h < FleetFirst + FleetCount; ++h)
            EXPECT_TRUE(simRestore(section(h))) << section(h);
        ::DeleteFileW(logPath().c_str());
        std::wstring list;
        for (int h = FleetFirst; h < FleetFirst + FleetCount; ++h)
            list += (list.empty() ? L"" : L",") + simAddress(h);
        f.run = runKiv(L"-m 2 -e 1 -d " + list, 600000, exeVariable);
        for (const std::string& line : linesOf(f.run.output)) {
            if (line.rfind("Device: ", 0) == 0)
                f.resultLines.push_back(line);
            else if (line.rfind("[", 0) == 0)
                f.lastLineOf[std::atoi(line.c_str() + 1)] = line;
        }
        for (int h = FleetFirst; h < FleetFirst + FleetCount; ++h)
            f.state[section(h)] = simStateField(section(h), "aio") +
                                  " accepted=" + simStateField(section(h), "accepted");
        f.log = readLog(logPath().c_str());
        return f;
    }
};

TEST_F(NoGuiFleet, SideBySideEndsAsOneAtATime) {
    ASSERT_FALSE(env("KIV_SHORT_SERIAL_EXE").empty());
    MachineValue logSwitch(package.brandKey, L"kivlog", 1);
    ASSERT_TRUE(logSwitch.ok());
    const FleetRun serial = runFleet("KIV_SHORT_SERIAL_EXE");
    const FleetRun parallel = runFleet("KIV_SHORT_EXE");

    // A failed update decides the run: the printer that kept its version and
    // the one that dropped the file.
    EXPECT_EQ(serial.run.exitCode, 4u) << serial.run.output;
    EXPECT_EQ(parallel.run.exitCode, serial.run.exitCode) << parallel.run.output;
    ASSERT_EQ(serial.resultLines.size(), static_cast<size_t>(FleetCount)) << serial.run.output;
    EXPECT_EQ(parallel.resultLines, serial.resultLines) << parallel.run.output;
    size_t successes = 0;
    for (const std::string& line : serial.resultLines)
        successes += contains(line, "Result: Success");
    EXPECT_EQ(successes, static_cast<size_t>(FleetCount - 3));
    // The silent printer takes the link but never answers: never flashed.
    EXPECT_TRUE(contains(serial.run.output, deviceLine(addr(25), "Failure, ErrorCode: ")));
    EXPECT_EQ(simStateField("fleet25", "received"), "0");
    EXPECT_EQ(parallel.lastLineOf, serial.lastLineOf);
    EXPECT_EQ(parallel.state, serial.state);
    EXPECT_EQ(parallel.state.at("fleet20"), narrow(package.version) + " accepted=1");
    EXPECT_EQ(readText(package.recordKey, package.valueName), package.version);

    // Each printer's lines of the log keep their order, and the printers'
    // turns overlapped.
    const std::vector<std::string> log = linesOf(parallel.log);
    auto first = [&log](const std::string& text) {
        for (size_t i = 0; i < log.size(); ++i)
            if (contains(log[i], text))
                return static_cast<int>(i);
        return -1;
    };
    int overlaps = 0, previousEnd = -1;
    for (int h = FleetFirst; h < FleetFirst + FleetCount; ++h) {
        if (h == 25)
            continue;
        const std::string a = addr(h);
        const int begin = first("Device to update...device=" + a);
        const int sent = first("KIVComm::sendFile(): device=" + a + ":9100");
        const int end = first("End updating device=" + a + " rc=");
        EXPECT_GE(begin, 0) << a;
        EXPECT_LT(begin, sent) << a;
        EXPECT_LT(sent, end) << a;
        overlaps += previousEnd > begin ? 1 : 0;
        previousEnd = end;
    }
    EXPECT_GT(overlaps, 0) << "the printers were updated one after another";
}
} // namespace
