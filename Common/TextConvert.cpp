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
