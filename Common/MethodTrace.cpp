#include "MethodTrace.h"

MethodTrace::MethodTrace(BasicLogger& logger, const LoggerComponent& component, const wchar_t* name,
                         uint32_t level, bool writeEntryExit)
    : component_(&component), enabled_(false), messagesOnly_(false), logger_(&logger),
      level_(level) {
    start(name, writeEntryExit);
}

MethodTrace::MethodTrace(const LoggerComponent& component, const wchar_t* name)
    : component_(&component), enabled_(false), messagesOnly_(false), logger_(nullptr),
      level_(LogLevelTrace) {
    // Code that runs before the module's logger is up (or in a test without
    // one) simply traces nothing.
    if (!BasicLogger::hasInstance())
        return;
    logger_ = &BasicLogger::getInstance();
    start(name, true);
}

MethodTrace::MethodTrace(const LoggerComponent& component, const std::wstring& name)
    : MethodTrace(component, name.c_str()) {}

void MethodTrace::start(const wchar_t* name, bool writeEntryExit) {
    if (!writeEntryExit) {
        messagesOnly_ = true;
        name_ = name ? name : L"";
        return;
    }
    if (!logger_->isEnabled(*component_, level_))
        return;
    enabled_ = true;
    name_ = name ? name : L"";
    logger_->log(*component_, level_, L"+" + name_);
    logger_->increaseDepth();
}

MethodTrace::~MethodTrace() {
    if (!enabled_)
        return;
    try {
        logger_->decreaseDepth();
        std::wstring line = L"-" + name_;
        if (!result_.empty())
            line += L" rc=" + result_;
        logger_->log(*component_, level_, line);
    } catch (...) {
    }
}

bool MethodTrace::isTracing(const LoggerComponent& component) {
    try {
        return BasicLogger::hasInstance() &&
               BasicLogger::getInstance().isEnabled(component, LogLevelTrace);
    } catch (...) {
        return false;
    }
}
