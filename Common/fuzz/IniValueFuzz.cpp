// Splitting of the texts that the initialisation-file reads return. Beyond
// running clean: comma pieces are non-empty and comma-free and, joined again,
// give the value up to its first NUL without its empty pieces; names of a
// NUL-separated list are non-empty, NUL-free and in order.
#include "FuzzInput.h"
#include "IniValueSplit.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    bool wide = in.ConsumeBool();
    std::wstring text = wide ? wideText(in, 512) : byteText(in, 512);
    // The reads hand over a buffer and a count; nothing past the count exists.
    std::vector<wchar_t> buffer(text.begin(), text.end());

    std::vector<std::wstring> pieces;
    appendCommaPieces(buffer.data(), buffer.size(), pieces);
    std::wstring joined, expected;
    for (const std::wstring& p : pieces) {
        FUZZ_CHECK(!p.empty() && p.find(L',') == std::wstring::npos);
        FUZZ_CHECK(p.find(L'\0') == std::wstring::npos);
        joined += p;
    }
    for (wchar_t c : text) {
        if (c == L'\0')
            break;
        if (c != L',')
            expected += c;
    }
    FUZZ_CHECK(joined == expected);

    std::vector<std::wstring> names;
    appendNullSeparated(buffer.data(), buffer.size(), names);
    size_t from = 0;
    for (const std::wstring& name : names) {
        FUZZ_CHECK(!name.empty() && name.find(L'\0') == std::wstring::npos);
        size_t at = text.find(name, from);
        FUZZ_CHECK(at != std::wstring::npos);
        from = at + name.size();
    }
    return 0;
}
