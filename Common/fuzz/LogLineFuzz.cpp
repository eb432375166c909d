// The log line layout with any header values, names, depths and texts. Beyond
// running clean: the line is appended (what was there stays), ends in exactly
// one CR LF added by the layout, holds the component padded to its width,
// the text (its own CR and LF spelt "<CR>", "<LF>") and the suffix in that
// order, and a clock field is always 24 characters for in-range values.
#include "FuzzInput.h"
#include "LogLineFormat.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    LogLineHeader h;
    h.withClock = in.ConsumeBool();
    h.year = in.ConsumeIntegral<int>();
    h.month = in.ConsumeIntegral<int>();
    h.day = in.ConsumeIntegral<int>();
    h.hour = in.ConsumeIntegral<int>();
    h.minute = in.ConsumeIntegral<int>();
    h.second = in.ConsumeIntegral<int>();
    h.millis = in.ConsumeIntegral<int>();
    h.withProcessId = in.ConsumeBool();
    h.processId = in.ConsumeIntegral<uint32_t>();
    h.withThreadId = in.ConsumeBool();
    h.threadId = in.ConsumeIntegral<uint32_t>();
    int nameWidth = in.ConsumeIntegralInRange<int>(-4, 64);
    int depth = in.ConsumeIntegralInRange<int>(-4, 200);
    bool nullText = in.ConsumeBool();
    std::wstring component = byteText(in, 40);
    std::wstring suffix = byteText(in, 40);
    std::wstring text = wideText(in, 300);
    std::wstring withoutNul = text.substr(0, text.find(L'\0'));

    std::wstring line = L"before";
    appendLogLine(line, h, component, nameWidth, depth, nullText ? nullptr : text.c_str(), suffix);
    FUZZ_CHECK(line.compare(0, 6, L"before") == 0);
    FUZZ_CHECK(line.size() >= 8 && line.compare(line.size() - 2, 2, L"\r\n") == 0);
    // The text's own line breaks are spelt out; only the layout ends the line.
    std::wstring shown;
    for (wchar_t c : nullText ? std::wstring() : withoutNul)
        shown += c == L'\r' ? std::wstring(L"<CR>") : c == L'\n' ? L"<LF>" : std::wstring(1, c);
    std::wstring tail = shown + suffix + L"\r\n";
    FUZZ_CHECK(line.size() >= tail.size() &&
               line.compare(line.size() - tail.size(), tail.size(), tail) == 0);
    size_t padded = std::max<size_t>(component.size(), nameWidth > 0 ? nameWidth : 0);
    size_t blanks = 1 + static_cast<size_t>(std::max(depth, 0));
    FUZZ_CHECK(line.size() >= 6 + padded + blanks + tail.size());
    size_t at = line.size() - tail.size() - blanks - padded;
    FUZZ_CHECK(line.compare(at, component.size(), component) == 0);
    for (size_t i = at + component.size(); i < at + padded + blanks; ++i)
        FUZZ_CHECK(line[i] == L' ');
    bool inRange = h.year >= 0 && h.year <= 9999 && h.month >= 0 && h.month <= 99 && h.day >= 0 &&
                   h.day <= 99 && h.hour >= 0 && h.hour <= 99 && h.minute >= 0 && h.minute <= 99 &&
                   h.second >= 0 && h.second <= 99 && h.millis >= 0 && h.millis <= 999;
    if (h.withClock && inRange)
        FUZZ_CHECK(line[6 + 23] == L' ' && line[6 + 4] == L'/' && line[6 + 19] == L'.');
    return 0;
}
