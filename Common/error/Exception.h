// The error object of the common library's low-level classes. Exceptions never
// leave the common library's callers: every catch site ignores them.
#pragma once

#include <cstdint>
#include <string>

class Exception {
public:
    Exception(const std::wstring& message, int32_t code, const std::wstring& sourceFile,
              int32_t line);
    virtual ~Exception();

    // "" for code 0, otherwise the code in decimal.
    virtual std::wstring getCodeText() const;
    virtual int32_t getCode() const;
    virtual std::wstring getMessage() const;

    const std::wstring& getSourceFile() const { return sourceFile_; }
    int32_t getLine() const { return line_; }

private:
    std::wstring message_;
    int32_t code_;
    std::wstring sourceFile_;
    int32_t line_;
};
