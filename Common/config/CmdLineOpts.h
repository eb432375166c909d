// The program's command-line options. Base class of KIVOptions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MethodTrace;

class CmdLineOpts {
public:
    CmdLineOpts();
    virtual ~CmdLineOpts();

    // True when every argument was understood; false when any was bad or lacked
    // its value (the run goes on with what was recognised either way).
    bool parseCmdLine(int argc, const wchar_t* const* argv);

    int32_t getAppMode();
    bool getErrors();
    bool getForceMode();
    // -check 1: the console mode only reads the printers' versions and tells
    // which need an update; nothing is sent to them.
    bool getCheckOnly();
    int32_t getDialogNum();
    std::vector<std::wstring>& getDeviceList();
    // True once -d was given, even with nothing in it (a script whose list
    // came back blank): the list then names no printer. Read without a log
    // line.
    bool isDeviceListGiven() const { return deviceListGiven_; }
    const std::wstring& getAppPath() const { return appPath_; }
    // Where the run's report goes; empty: no report. Read without a log line,
    // so that a run without the option logs as it always did.
    const std::wstring& getReportPath() const { return reportPath_; }
    // The arguments that are no option of ours, each with the value it took,
    // as typed ("-D 10.0.0.5"). Read without a log line.
    const std::vector<std::wstring>& getNotUnderstood() const { return notUnderstood_; }

private:
    // False when the value is invalid for the option (the field keeps its value).
    bool applyOption(const std::wstring& option, const wchar_t* value);
    void noteIgnoredCheck(MethodTrace& trace);
    void takeSafeReading(const std::wstring& option);

    std::wstring appPath_;
    int32_t appMode_;
    bool errors_;
    bool force_;
    bool checkOnly_;
    int32_t dialogNum_;
    std::vector<std::wstring> deviceList_;
    bool deviceListGiven_;
    std::vector<std::wstring> notUnderstood_;
    std::wstring reportPath_;
};
