// The OS-bound pieces that the logic files call, for the native build. No log
// is ever brought up here, so every trace scope stays off, as it does in a
// Windows program before its logger is up; the functions below keep the
// contract of their Windows counterparts for that state.
#include "BasicLogger.h"
#include "ErrorText.h"
#include "SystemAddressParser.h"
#include "Win32Exception.h"

#include <arpa/inet.h>

#include <string>

// No logger is ever constructed natively (there is no constructor here); the
// virtual members exist for the class's type information, which the
// sanitizer's type checks need.
struct BasicLogger::Impl {};

BasicLogger::~BasicLogger() {}

void BasicLogger::log(const LoggerComponent&, uint32_t, const std::wstring&) {}

void BasicLogger::log(const LoggerComponent&, uint32_t, const wchar_t*) {}

void BasicLogger::deleteLogFile() {}

void BasicLogger::getSetting(const std::wstring&, uint32_t& value, uint32_t defaultValue) {
    value = defaultValue;
}

void BasicLogger::onLogFileMissing() {}

std::wstring BasicLogger::getLinePrefix(const LoggerComponent&, uint32_t, const wchar_t*) {
    return std::wstring();
}

std::wstring BasicLogger::getLineSuffix(const LoggerComponent&, uint32_t, const wchar_t*) {
    return std::wstring();
}

BasicLogger& BasicLogger::getInstance() {
    throw Win32Exception(L"BasicLogger::getInstance()", 1, L"", 0);
}

bool BasicLogger::hasInstance() {
    return false;
}

bool BasicLogger::isDisabled() {
    return true;
}

bool BasicLogger::isEnabled(const LoggerComponent&, uint32_t) {
    return false;
}

void BasicLogger::increaseDepth() {}

void BasicLogger::decreaseDepth() {}

BasicLogger* makeBasicLogger() {
    return nullptr;
}

std::wstring getErrorText(uint32_t code) {
    return L"Error getting message:" + std::to_wstring(code);
}

// The C library's parser reads the same forms as the Windows one (parts, octal,
// hexadecimal); the rules around it are the code under test.
bool systemDottedAddress(const char* text, uint32_t& hostOrder) {
    in_addr_t address = inet_addr(text);
    if (address == INADDR_NONE)
        return false;
    hostOrder = ntohl(address);
    return true;
}
