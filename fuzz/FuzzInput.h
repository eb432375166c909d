// Turning a fuzzer's bytes into the inputs of the logic.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Texts are taken from the front of the input, numbers and switches from its
// end, so that seed files read as text.

// Wide text as the Windows programs hold it: 16-bit units, two bytes each,
// at most maxUnits of them.
inline std::wstring wideText(FuzzedDataProvider& in, size_t maxUnits) {
    std::wstring text;
    while (text.size() < maxUnits && in.remaining_bytes() >= 2) {
        std::vector<uint8_t> unit = in.ConsumeBytes<uint8_t>(2);
        text += static_cast<wchar_t>(unit[0] | unit[1] << 8);
    }
    return text;
}

// Text of one byte per character (Latin-1), as the printer and the
// configuration mostly send it, so that the fuzzer reaches the parsers' rules
// quickly; ends at the first byte 0xFF or after maxUnits.
inline std::wstring byteText(FuzzedDataProvider& in, size_t maxUnits) {
    std::wstring text;
    while (text.size() < maxUnits && in.remaining_bytes() > 0) {
        uint8_t b = in.ConsumeBytes<uint8_t>(1)[0];
        if (b == 0xFF)
            break;
        text += static_cast<wchar_t>(b);
    }
    return text;
}

// A broken property: the fuzzer keeps the input that shows it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__,        \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
