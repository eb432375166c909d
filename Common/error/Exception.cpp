#include "Exception.h"

Exception::Exception(const std::wstring& message, int32_t code, const std::wstring& sourceFile,
                     int32_t line)
    : message_(message), code_(code), sourceFile_(sourceFile), line_(line) {}

Exception::~Exception() {}

std::wstring Exception::getCodeText() const {
    if (code_ == 0)
        return std::wstring();
    return std::to_wstring(code_);
}

int32_t Exception::getCode() const {
    return code_;
}

std::wstring Exception::getMessage() const {
    return message_;
}
