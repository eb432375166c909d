#include "VersionReply.h"

namespace VersionReply {

namespace {

// Two bytes as four upper-case hexadecimal digits.
std::wstring hexPair(const unsigned char* bytes) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (int i = 0; i < 2; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

bool isBreak(unsigned char c) {
    return c == ' ' || c == '\n' || c == '\r';
}

} // namespace

bool headerMatches(const unsigned char* reply, uint32_t length) {
    if (!reply || length < HeaderLength)
        return false;
    return reply[0] == 0xA5 && reply[3] == 0x50 && reply[4] == 0xE0 && reply[5] == 0x81;
}

std::vector<std::wstring> tokenize(const unsigned char* reply, uint32_t length) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    for (uint32_t i = 0; reply && i < length; ++i) {
        unsigned char c = reply[i];
        // The header is the start of the first token whatever its bytes hold:
        // the length and status bytes, and any header byte that reads as a
        // blank, a line end or a zero, count as 0x10, so they neither split
        // the header nor end the text.
        if (i < HeaderLength && (i == 1 || i == 6 || c == 0 || isBreak(c)))
            c = 0x10;
        if (c == 0)
            break;
        if (isBreak(c)) {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += static_cast<wchar_t>(c);
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

std::wstring aioValue(const std::wstring& token) {
    size_t pos = token.rfind(L'_');
    if (pos == std::wstring::npos)
        return token.substr(0, 2);
    return token.substr(0, pos + 3);
}

bool panelValue(const std::vector<std::wstring>& tokens, std::wstring& value, bool& dotted) {
    dotted = false;
    if (tokens.size() <= PanelToken || tokens[PanelToken].empty())
        return false;
    const std::wstring& main = tokens[PanelToken];
    size_t dot = main.rfind(L'.');
    if (dot == 2) {
        if (tokens.size() <= PanelTailToken)
            return false;
        std::wstring tail = tokens[PanelTailToken];
        if (tail.size() > 2)
            tail.erase(2, 1);
        value = main + L"." + tail;
        dotted = true;
        return true;
    }
    value = dot == std::wstring::npos ? main.substr(0, 4) : main.substr(0, dot + 5);
    return true;
}

bool identifiers(const unsigned char* reply, uint32_t length, std::wstring& vendor,
                 std::wstring& product) {
    if (!reply || length < IdentifierLength)
        return false;
    vendor = hexPair(reply + 11);
    product = hexPair(reply + 13);
    return true;
}

} // namespace VersionReply
