// The per-method trace scope ("+name" on entry, "-name" on exit) and guarded
// stand-alone message lines. Nothing is formatted while logging is off.
#pragma once

#include "BasicLogger.h"
#include "MsgText.h"

#include <cstdint>
#include <string>

class MethodTrace {
public:
    // A name given as a pointer is kept as the pointer, not copied (a scope
    // that stays quiet costs nothing): it must outlive the scope, as a
    // literal does.
    MethodTrace(BasicLogger& logger, const LoggerComponent& component, const wchar_t* name,
                uint32_t level, bool writeEntryExit);
    // The usual form: the module's logger, level 2, entry and exit lines.
    // Before the module's logger is brought up the scope is disabled.
    MethodTrace(const LoggerComponent& component, const wchar_t* name);
    // For names built from values: build them only when isTracing() says so.
    // The name is copied.
    MethodTrace(const LoggerComponent& component, const std::wstring& name);
    ~MethodTrace();
    MethodTrace(const MethodTrace&) = delete;
    MethodTrace& operator=(const MethodTrace&) = delete;

    bool enabled() const { return enabled_; }

    // Whether a scope of this component would write now (module's logger,
    // level 2); callers test it before composing a scope name from values.
    static bool isTracing(const LoggerComponent& component);

    // Writes the scope's name followed by the parts whenever messages are on,
    // also in a scope opened while logging was off (the log may have been
    // switched on since). Exceptions raised while logging are swallowed.
    template <class... Parts> void message(const Parts&... parts) {
        if (!logger_)
            return;
        try {
            if (!logger_->isEnabled(*component_, LogLevelMessage))
                return;
            MsgText text(name_);
            (void)(text << ... << parts);
            logger_->log(*component_, level_, text.str());
        } catch (...) {
        }
    }

    // The text written after " rc=" on the exit line; empty writes no " rc=".
    void setResult(const std::wstring& result) {
        if (enabled_)
            result_ = result;
    }

private:
    void startWithModuleLogger();
    void start(bool writeEntryExit);

    std::wstring ownName_; // the copy behind name_ for a name built from values
    const wchar_t* name_;
    const LoggerComponent* component_;
    std::wstring result_;
    // Wrote its entry line: writes the exit line and indents what is inside.
    bool enabled_;
    BasicLogger* logger_;
    uint32_t level_;
};

// A single guarded line at level 8 outside any scope.
template <class... Parts> void logLine(const LoggerComponent& component, const Parts&... parts) {
    try {
        if (!BasicLogger::hasInstance())
            return;
        BasicLogger& logger = BasicLogger::getInstance();
        if (!logger.isEnabled(component, LogLevelMessage))
            return;
        MsgText text;
        (void)(text << ... << parts);
        logger.log(component, LogLevelMessage, text.str());
    } catch (...) {
    }
}

// A getter's trace line, "<name>: rc=<value>.", and the value it returns.
template <class T>
const T& loggedResult(const LoggerComponent& component, const wchar_t* name, const T& value) {
    logLine(component, name, L": rc=", value, L".");
    return value;
}
