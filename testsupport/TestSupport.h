// Shared pieces of the common library's tests: temporary folders, files read
// back as bytes, and a real logger brought up through the registry switch.
#pragma once

#include "BasicLogger.h"

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring& path() const { return path_; } // ends with a backslash

private:
    std::wstring path_;
};

std::wstring exeFolder(); // ends with a backslash
bool fileExists(const std::wstring& path);
void createFolder(const std::wstring& path);
std::string readFileBytes(const std::wstring& path);
void writeFileBytes(const std::wstring& path, const std::string& bytes);
bool deleteFileRetrying(const std::wstring& path);
// Lines without their CR LF; a final piece without CR LF is returned as well.
std::vector<std::string> splitCrLf(const std::string& bytes, bool* allEndInCrLf = nullptr);
std::string narrow(const std::wstring& text);

// HKLM\Software\<brand> "kivlog": set as a DWORD, set as raw bytes, or removed.
void setLogSwitch(const wchar_t* brand, uint32_t value);
void setLogSwitchRaw(const wchar_t* brand, const void* data, uint32_t size, uint32_t type);
void removeLogSwitch(const wchar_t* brand);

// Brings up the module's logger with the switch on, its file in a temporary
// ALLUSERSPROFILE; takes it down and cleans up at the end.
class ScopedTestLog {
public:
    ScopedTestLog();
    ~ScopedTestLog();
    BasicLogger* logger() const { return logger_; }
    const std::wstring& path() const { return path_; }
    // The texts of the lines (after the 50-character header), for checks of
    // what was logged.
    std::vector<std::string> texts() const;

private:
    TempFolder folder_;
    std::wstring path_;
    std::wstring oldProfile_;
    bool hadProfile_;
    BasicLogger* logger_;
};

// Index of the first text equal to want at or after from; -1 when none.
int findText(const std::vector<std::string>& texts, const std::string& want, int from = 0);
