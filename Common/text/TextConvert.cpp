#include "TextConvert.h"

bool narrowLatin1(const wchar_t* text, size_t length, std::string& out) {
    out.clear();
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = text[i];
        if (static_cast<unsigned>(c) > 0xFFu) {
            out.clear();
            return false;
        }
        out += static_cast<char>(static_cast<unsigned char>(c));
    }
    return true;
}

bool narrowLatin1(const std::wstring& text, std::string& out) {
    return narrowLatin1(text.data(), text.size(), out);
}

namespace {
bool isHighSurrogate(unsigned c) {
    return c >= 0xD800u && c <= 0xDBFFu;
}
bool isLowSurrogate(unsigned c) {
    return c >= 0xDC00u && c <= 0xDFFFu;
}
} // namespace

void narrowLatin1Replacing(const std::wstring& text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned c = static_cast<unsigned>(text[i]);
        if (c <= 0xFFu) {
            out += static_cast<char>(static_cast<unsigned char>(c));
            continue;
        }
        // One character written as two UTF-16 units stands for one mark.
        if (isHighSurrogate(c) && i + 1 < text.size() &&
            isLowSurrogate(static_cast<unsigned>(text[i + 1])))
            ++i;
        out += '?';
    }
}
