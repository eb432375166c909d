// The test-support pieces that make no OS call, shared with the native build.
#include "TestSupport.h"

std::vector<std::string> splitCrLf(const std::string& bytes, bool* allEndInCrLf) {
    std::vector<std::string> lines;
    bool clean = true;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            clean = false;
            break;
        }
        std::string line = bytes.substr(start, end - start);
        if (line.find('\r') != std::string::npos || line.find('\n') != std::string::npos)
            clean = false;
        lines.push_back(line);
        start = end + 2;
    }
    if (allEndInCrLf)
        *allEndInCrLf = clean;
    return lines;
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += static_cast<char>(c <= 0x7F ? c : '?');
    return out;
}

std::vector<std::string> ScopedTestLog::texts() const {
    std::vector<std::string> texts;
    for (const std::string& line : splitCrLf(readFileBytes(path_)))
        texts.push_back(line.size() > 50 ? line.substr(50) : std::string());
    return texts;
}

int findText(const std::vector<std::string>& texts, const std::string& want, int from) {
    for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < texts.size(); ++i) {
        if (texts[i] == want)
            return static_cast<int>(i);
    }
    return -1;
}
