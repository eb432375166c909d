// Reader of extended dialog templates (the DIALOGEX binary form) as they sit
// in a resource section. Kept free of <windows.h> so that it can be tested on
// any host; the layout is the documented one and does not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kiv {

// A name-or-ordinal field: either a 16-bit ordinal or a text.
struct SzOrOrd {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

struct DialogItem {
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    SzOrOrd windowClass;
    SzOrOrd title;
    std::vector<std::uint8_t> extra;
};

struct DialogTemplateEx {
    std::uint16_t version = 0;
    std::uint16_t signature = 0;
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    SzOrOrd menu;
    SzOrOrd windowClass;
    std::u16string title;
    bool hasFont = false;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;
};

// Parses `size` bytes at `data`. Returns false with a reason in `error` when
// the bytes are not an extended template or end before its last field.
bool parseDialogTemplateEx(const std::uint8_t* data, std::size_t size, DialogTemplateEx& out,
                           std::string& error);

} // namespace kiv
