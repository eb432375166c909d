#include "TextConvert.h"

#include <cstdint>

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

std::string toUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (isHighSurrogate(c) && i + 1 < text.size() &&
            isLowSurrogate(static_cast<unsigned>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (isHighSurrogate(c) || isLowSurrogate(c) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
