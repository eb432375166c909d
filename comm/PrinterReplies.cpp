#include "PrinterReplies.h"

const wchar_t* const VersionQueryCommand = L"A5000750E08100020510";
const wchar_t* const IdentifierQueryCommand = L"A5000750E08100020013";

namespace {
const size_t VersionHeaderSize = 7;
const size_t IdentifierReplySize = 15;

bool isTokenBreak(wchar_t c) {
    return c == L' ' || c == L'\n' || c == L'\r';
}
} // namespace

std::wstring hex16(uint16_t value) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text(4, L'0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        text[i] = digits[value & 0x0F];
    return text;
}

std::vector<std::wstring> versionReplyTokens(const uint8_t* reply, size_t size) {
    std::vector<std::wstring> tokens;
    if (!reply || size < VersionHeaderSize || reply[0] != 0xA5 || reply[3] != 0x50 ||
        reply[4] != 0xE0 || reply[5] != 0x81)
        return tokens;
    std::wstring current;
    for (size_t i = 0; i < size; ++i) {
        // Length high byte and status are often zero; they must not end the text.
        uint8_t b = (i == 1 || i == 6) ? 0x10 : reply[i];
        if (b == 0)
            break;
        wchar_t c = static_cast<wchar_t>(b);
        if (isTokenBreak(c)) {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

bool modelFromVersionReply(const uint8_t* reply, size_t size, std::wstring& model) {
    std::vector<std::wstring> tokens = versionReplyTokens(reply, size);
    if (tokens.size() < 3)
        return false;
    model = tokens[2].substr(0, tokens[2].find(L'_'));
    return true;
}

bool identifiersFromReply(const uint8_t* reply, size_t size, std::wstring& vid, std::wstring& pid) {
    if (!reply || size < IdentifierReplySize)
        return false;
    vid = hex16(static_cast<uint16_t>((reply[11] << 8) | reply[12]));
    pid = hex16(static_cast<uint16_t>((reply[13] << 8) | reply[14]));
    return true;
}
