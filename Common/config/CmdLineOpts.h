// The program's command-line options. Base class of KIVOptions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    int32_t getDialogNum();
    std::vector<std::wstring>& getDeviceList();
    const std::wstring& getAppPath() const { return appPath_; }

private:
    // False when the value is invalid for the option (the field keeps its value).
    bool applyOption(const std::wstring& option, const wchar_t* value);

    std::wstring appPath_;
    int32_t appMode_;
    bool errors_;
    bool force_;
    int32_t dialogNum_;
    std::vector<std::wstring> deviceList_;
};
