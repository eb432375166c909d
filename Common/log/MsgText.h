// A small wide-text builder for composing log texts.
#pragma once

#include <cstdint>
#include <string>

class MsgText {
public:
    MsgText() {}
    MsgText(const wchar_t* text);      // null gives "<null>"
    MsgText(const std::wstring& text); // copied
    MsgText(const char* text);         // C-runtime conversion; failure gives ""; null "<null>"
    MsgText(int32_t value, int radix);
    MsgText(uint32_t value, int radix);

    MsgText& operator<<(const wchar_t* text); // null appends nothing
    MsgText& operator<<(const char* text); // converted as by the constructor; null appends nothing
    MsgText& operator<<(wchar_t c);        // the character itself
    MsgText& operator<<(const std::wstring& text);
    MsgText& operator<<(const MsgText& other);
    MsgText& operator<<(bool value); // "true" / "false"
    MsgText& operator<<(int16_t value) { return appendSigned(value); }
    MsgText& operator<<(uint16_t value) { return appendUnsigned(value); }
    MsgText& operator<<(int32_t value) { return appendSigned(value); }
    MsgText& operator<<(uint32_t value) { return appendUnsigned(value); }
    MsgText& operator<<(long value) { return appendSigned(value); }
    MsgText& operator<<(unsigned long value) { return appendUnsigned(value); }
    // Without these a narrow character would print as its number and any
    // other pointer as "true".
    MsgText& operator<<(char) = delete;
    template <class T> MsgText& operator<<(const T*) = delete;

    const std::wstring& str() const { return text_; }

private:
    // Decimal, with a minus sign where negative.
    MsgText& appendSigned(long long value);
    MsgText& appendUnsigned(unsigned long long value);

    std::wstring text_;
};

MsgText operator+(const wchar_t* left, const MsgText& right);
