#include "LogLineFormat.h"

#include <cwchar>

namespace {

void appendPadded(std::wstring& out, unsigned value, int width) {
    wchar_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0 && n < 12);
    for (int i = n; i < width; ++i)
        out += L'0';
    while (n > 0)
        out += digits[--n];
}

void appendHexId(std::wstring& out, const wchar_t* label, uint32_t value) {
    static const wchar_t kHex[] = L"0123456789abcdef";
    wchar_t digits[8];
    int n = 0;
    do {
        digits[n++] = kHex[value & 0xF];
        value >>= 4;
    } while (value != 0);
    out += label;
    for (int i = n; i < 4; ++i)
        out += L'0';
    while (n > 0)
        out += digits[--n];
    out += L' ';
}

// A value that holds a line break (a server's reply, a file name built from
// outside input) must neither split its line nor forge a line of its own.
void appendEscaped(std::wstring& out, const wchar_t* text) {
    for (;;) {
        size_t plain = std::wcscspn(text, L"\r\n");
        out.append(text, plain);
        text += plain;
        if (*text == L'\0')
            return;
        out += (*text == L'\r') ? L"<CR>" : L"<LF>";
        ++text;
    }
}

} // namespace

void appendLogLine(std::wstring& line, const LogLineHeader& h, const std::wstring& component,
                   int nameWidth, int depth, const wchar_t* text, const std::wstring& suffix) {
    if (h.withClock) {
        // yyyy/mm/dd-hh:mm:ss.mmm, each field followed by its separator
        const struct {
            int value;
            int width;
            wchar_t after;
        } fields[] = {{h.year, 4, L'/'},  {h.month, 2, L'/'},  {h.day, 2, L'-'},
                      {h.hour, 2, L':'},  {h.minute, 2, L':'}, {h.second, 2, L'.'},
                      {h.millis, 3, L' '}};
        for (const auto& field : fields) {
            appendPadded(line, static_cast<unsigned>(field.value), field.width);
            line += field.after;
        }
    }
    if (h.withProcessId)
        appendHexId(line, L"pid=", h.processId);
    if (h.withThreadId)
        appendHexId(line, L"tid=", h.threadId);
    line += component;
    if (nameWidth > 0 && component.size() < static_cast<size_t>(nameWidth))
        line.append(static_cast<size_t>(nameWidth) - component.size(), L' ');
    line += L' ';
    if (depth > 0)
        line.append(static_cast<size_t>(depth), L' ');
    if (text)
        appendEscaped(line, text);
    line += suffix;
    line += L"\r\n";
}
