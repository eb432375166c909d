#include "VersionReply.h"

#include "EngineText.h"

namespace VersionReply {

bool headerMatches(const unsigned char* reply, uint32_t length) {
    if (!reply || length < HeaderLength)
        return false;
    return reply[0] == 0xA5 && reply[3] == 0x50 && reply[4] == 0xE0 && reply[5] == 0x81;
}

std::vector<std::wstring> tokenize(const unsigned char* reply, uint32_t length) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    for (uint32_t i = 0; reply && i < length; ++i) {
        unsigned char c = (i == 1 || i == 6) ? 0x10 : reply[i];
        if (c == 0)
            break;
        if (c == ' ' || c == '\n' || c == '\r') {
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
    vendor = EngineText::hexText(reply + 11, 2);
    product = EngineText::hexText(reply + 13, 2);
    return true;
}

} // namespace VersionReply
