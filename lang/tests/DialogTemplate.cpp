#include "DialogTemplate.h"

namespace kiv {
namespace {

// DS_SETFONT; DS_SHELLFONT includes it.
constexpr std::uint32_t kSetFont = 0x40;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool word(std::uint16_t& v) {
        if (!need(2))
            return false;
        v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool dword(std::uint32_t& v) {
        std::uint16_t lo = 0, hi = 0;
        if (!word(lo) || !word(hi))
            return false;
        v = lo | (static_cast<std::uint32_t>(hi) << 16);
        return true;
    }
    bool shortInt(std::int16_t& v) {
        std::uint16_t w = 0;
        if (!word(w))
            return false;
        v = static_cast<std::int16_t>(w);
        return true;
    }
    bool byte(std::uint8_t& v) {
        if (!need(1))
            return false;
        v = data_[pos_++];
        return true;
    }
    bool text(std::u16string& v) {
        v.clear();
        for (;;) {
            std::uint16_t c = 0;
            if (!word(c))
                return false;
            if (c == 0)
                return true;
            v.push_back(static_cast<char16_t>(c));
        }
    }
    bool szOrOrd(SzOrOrd& v) {
        std::uint16_t first = 0;
        if (!word(first))
            return false;
        v = SzOrOrd();
        if (first == 0xFFFF) {
            v.isOrdinal = true;
            return word(v.ordinal);
        }
        if (first == 0)
            return true;
        std::u16string rest;
        if (!text(rest))
            return false;
        v.text = static_cast<char16_t>(first) + rest;
        return true;
    }
    bool bytes(std::size_t n, std::vector<std::uint8_t>& v) {
        if (!need(n))
            return false;
        v.assign(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return true;
    }
    // Items start on 32-bit boundaries counted from the template's start.
    bool alignDword() {
        std::size_t aligned = (pos_ + 3) & ~static_cast<std::size_t>(3);
        if (aligned > size_)
            return false;
        pos_ = aligned;
        return true;
    }
    std::size_t pos() const { return pos_; }

private:
    bool need(std::size_t n) const { return n <= size_ && pos_ <= size_ - n; }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool fail(std::string& error, const char* what, const Reader& r) {
    error = std::string(what) + " cut off at byte " + std::to_string(r.pos());
    return false;
}

bool parseItem(Reader& r, DialogItem& item, std::string& error) {
    std::uint16_t extraCount = 0;
    if (!r.alignDword() || !r.dword(item.helpId) || !r.dword(item.exStyle) ||
        !r.dword(item.style) || !r.shortInt(item.x) || !r.shortInt(item.y) ||
        !r.shortInt(item.cx) || !r.shortInt(item.cy) || !r.dword(item.id))
        return fail(error, "control header", r);
    if (!r.szOrOrd(item.windowClass) || !r.szOrOrd(item.title))
        return fail(error, "control class or title", r);
    if (!r.word(extraCount) || !r.bytes(extraCount, item.extra))
        return fail(error, "control creation data", r);
    return true;
}

} // namespace

bool parseDialogTemplateEx(const std::uint8_t* data, std::size_t size, DialogTemplateEx& out,
                           std::string& error) {
    out = DialogTemplateEx();
    Reader r(data, size);
    std::uint16_t count = 0;
    if (!r.word(out.version) || !r.word(out.signature))
        return fail(error, "template header", r);
    if (out.version != 1 || out.signature != 0xFFFF) {
        error = "not an extended dialog template";
        return false;
    }
    if (!r.dword(out.helpId) || !r.dword(out.exStyle) || !r.dword(out.style) || !r.word(count) ||
        !r.shortInt(out.x) || !r.shortInt(out.y) || !r.shortInt(out.cx) || !r.shortInt(out.cy))
        return fail(error, "template header", r);
    if (!r.szOrOrd(out.menu) || !r.szOrOrd(out.windowClass) || !r.text(out.title))
        return fail(error, "template menu, class or title", r);
    if (out.style & kSetFont) {
        out.hasFont = true;
        if (!r.word(out.pointSize) || !r.word(out.weight) || !r.byte(out.italic) ||
            !r.byte(out.charset) || !r.text(out.typeface))
            return fail(error, "template font", r);
    }
    out.items.resize(count);
    for (DialogItem& item : out.items) {
        if (!parseItem(r, item, error))
            return false;
    }
    return true;
}

} // namespace kiv
