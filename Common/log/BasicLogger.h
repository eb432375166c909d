// The shared log file. Every module has its own logger object; all of them
// append to the same file, one line at a time under a named mutex.
#pragma once

#include "LoggerComponent.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Mutex;
class SecurityEveryone;

enum LogLevel : uint32_t {
    LogLevelForce = 1, // bypasses the start gate and the masks
    LogLevelTrace = 2, // method entry and exit
    LogLevel4 = 4,
    LogLevelMessage = 8,
    LogLevel16 = 16,
    LogLevelAll = 0xFFFFFFFFu,
};

class BasicLogger {
public:
    BasicLogger(const std::wstring& path, int nameWidth);
    virtual ~BasicLogger();
    BasicLogger(const BasicLogger&) = delete;
    BasicLogger& operator=(const BasicLogger&) = delete;

    virtual void log(const LoggerComponent& component, uint32_t level, const std::wstring& text);
    virtual void log(const LoggerComponent& component, uint32_t level, const wchar_t* text);
    virtual void deleteLogFile();
    virtual void getSetting(const std::wstring& key, uint32_t& value, uint32_t defaultValue);
    virtual void onLogFileMissing();
    virtual std::wstring getLinePrefix(const LoggerComponent& component, uint32_t level,
                                       const wchar_t* text);
    virtual std::wstring getLineSuffix(const LoggerComponent& component, uint32_t level,
                                       const wchar_t* text);

    // Throws Win32Exception("BasicLogger::getInstance()", 1) before bring-up.
    static BasicLogger& getInstance();
    // True once a logger has been brought up in this module.
    static bool hasInstance();
    // True once logging was switched off for this module (registry switch off
    // at bring-up, or the lock could not be created).
    static bool isDisabled();
    // Tests only: bring-ups within one test program need a fresh start.
    static void clearDisabledForTesting();
    // The named lock that every writer of the log file at path takes for
    // each line: "TZLOG_" and the file's name.
    static std::wstring lockNameFor(const std::wstring& path);

    bool isEnabled(const LoggerComponent& component, uint32_t level);
    void getCachedSetting(const std::wstring& key, uint32_t& value, uint32_t defaultValue,
                          uint32_t maxAgeMs);
    void increaseDepth();
    void decreaseDepth();
    int getDepth(uint32_t threadId);
    const std::wstring& getPath() const;

private:
    struct PendingLine;
    void writeLine(const LoggerComponent& component, uint32_t level, const wchar_t* text);
    void submit(PendingLine& line);
    void writeBatch(const std::vector<PendingLine*>& batch);
    bool appendToFile(bool forced, const std::string& bytes);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Brings up the module's logger: log path under %ALLUSERSPROFILE%, the "kivlog"
// switch from both brand keys. Returns the new instance, which the caller owns
// and deletes at the end; returns null when this module already had one.
BasicLogger* makeBasicLogger();
