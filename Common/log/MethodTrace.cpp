#include "MethodTrace.h"

MethodTrace::MethodTrace(BasicLogger& logger, const LoggerComponent& component, const wchar_t* name,
                         uint32_t level, bool writeEntryExit)
    : name_(name ? name : L""), component_(&component), enabled_(false), logger_(&logger),
      level_(level) {
    start(writeEntryExit);
}

MethodTrace::MethodTrace(const LoggerComponent& component, const wchar_t* name)
    : name_(name ? name : L""), component_(&component), enabled_(false), logger_(nullptr),
      level_(LogLevelTrace) {
    startWithModuleLogger();
}

MethodTrace::MethodTrace(const LoggerComponent& component, const std::wstring& name)
    : ownName_(name), name_(ownName_.c_str()), component_(&component), enabled_(false),
      logger_(nullptr), level_(LogLevelTrace) {
    startWithModuleLogger();
}

void MethodTrace::startWithModuleLogger() {
    // Code that runs before the module's logger is up (or in a test without
    // one) simply traces nothing.
    if (!BasicLogger::hasInstance())
        return;
    logger_ = &BasicLogger::getInstance();
    start(true);
}

void MethodTrace::start(bool writeEntryExit) {
    if (!writeEntryExit || !logger_->isEnabled(*component_, level_))
        return;
    enabled_ = true;
    logger_->log(*component_, level_, std::wstring(L"+") + name_);
    logger_->increaseDepth();
}

MethodTrace::~MethodTrace() {
    if (!enabled_)
        return;
    try {
        logger_->decreaseDepth();
        std::wstring line = std::wstring(L"-") + name_;
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
