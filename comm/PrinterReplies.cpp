#include "PrinterReplies.h"

#include "VersionReply.h"

std::wstring hex16(uint16_t value) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text(4, L'0');
    for (int i = 3; i >= 0; --i, value >>= 4)
        text[i] = digits[value & 0x0F];
    return text;
}

std::vector<std::wstring> versionReplyTokens(const uint8_t* reply, size_t size) {
    // A reply longer than the engine could be told is cut where the engine would cut it.
    const uint32_t length = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
    if (!VersionReply::headerMatches(reply, length))
        return std::vector<std::wstring>();
    return VersionReply::tokenize(reply, length);
}

bool modelFromVersionReply(const uint8_t* reply, size_t size, std::wstring& model) {
    std::vector<std::wstring> tokens = versionReplyTokens(reply, size);
    if (tokens.size() < 3)
        return false;
    model = tokens[2].substr(0, tokens[2].find(L'_'));
    return true;
}

bool identifiersFromReply(const uint8_t* reply, size_t size, std::wstring& vid, std::wstring& pid) {
    const uint32_t length = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
    return VersionReply::identifiers(reply, length, vid, pid);
}
