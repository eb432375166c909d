// The logger's instance record, the same for the system's file and for any
// other place the lines go.
#include "LoggerInstance.h"

#include "BasicLogger.h"
#include "Win32Exception.h"

std::atomic<BasicLogger*> g_loggerInstance{nullptr};
std::atomic<bool> g_loggingDisabled{false};

BasicLogger& BasicLogger::getInstance() {
    BasicLogger* instance = g_loggerInstance.load();
    if (!instance)
        throw Win32Exception(L"BasicLogger::getInstance()", 1, L"", 0);
    return *instance;
}

bool BasicLogger::hasInstance() {
    return g_loggerInstance.load() != nullptr;
}

bool BasicLogger::isDisabled() {
    return g_loggingDisabled.load();
}

void BasicLogger::clearDisabledForTesting() {
    g_loggingDisabled = false;
}
