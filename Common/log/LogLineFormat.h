// The layout of one log line, apart from the OS calls that supply its parts.
#pragma once

#include <cstdint>
#include <string>

struct LogLineHeader {
    bool withClock = true;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
    bool withProcessId = false;
    uint32_t processId = 0;
    bool withThreadId = false;
    uint32_t threadId = 0;
};

// Appends: [clock ][pid=xxxx ][tid=xxxx ]component padded to nameWidth, " ",
// depth blanks, text, suffix, CR LF. A null text counts as empty. Carriage
// returns and line feeds inside the text are written as "<CR>" and "<LF>", so
// the line's own CR LF is the only line break in it.
void appendLogLine(std::wstring& line, const LogLineHeader& header, const std::wstring& component,
                   int nameWidth, int depth, const wchar_t* text, const std::wstring& suffix);
