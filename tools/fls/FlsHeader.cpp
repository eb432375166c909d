#include "FlsHeader.h"

#include <cstring>

namespace {

constexpr size_t kModelOffset = 8;
constexpr size_t kAioOffset = 24;
constexpr size_t kPanelOffset = 56;
constexpr size_t kScanOffset = 88;
constexpr size_t kLengthOffset = 120;
constexpr size_t kCrcOffset = 124;

void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

uint32_t getLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool isTextByte(uint8_t c) {
    return c >= 0x20 && c < 0x7F;
}

bool fits(const std::string& text, size_t field) {
    if (text.size() > field)
        return false;
    for (unsigned char c : text)
        if (!isTextByte(c))
            return false;
    return true;
}

// A field is the text up to its first zero; anything but zeros after it means the
// header is damaged, not merely short of text.
bool readText(const uint8_t* field, size_t size, std::string& out) {
    size_t n = 0;
    while (n < size && field[n] != 0) {
        if (!isTextByte(field[n]))
            return false;
        ++n;
    }
    for (size_t i = n; i < size; ++i)
        if (field[i] != 0)
            return false;
    out.assign(reinterpret_cast<const char*>(field), n);
    return true;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

} // namespace

const char* toString(FlsStatus status) {
    switch (status) {
    case FlsStatus::Ok:
        return "ok";
    case FlsStatus::TooShort:
        return "header too short";
    case FlsStatus::BadMagic:
        return "bad magic";
    case FlsStatus::BadText:
        return "damaged text field";
    case FlsStatus::TextTooLong:
        return "text does not fit its field";
    }
    return "?";
}

const char* toString(FlsVerdict verdict) {
    switch (verdict) {
    case FlsVerdict::Accepted:
        return "accepted";
    case FlsVerdict::WrongModel:
        return "wrong model";
    case FlsVerdict::WrongLength:
        return "wrong length";
    case FlsVerdict::BadCrc:
        return "bad crc";
    }
    return "?";
}

FlsStatus FlsHeader::write(uint8_t* out) const {
    if (!fits(model, kModelSize) || !fits(aioVersion, kVersionSize) ||
        !fits(panelVersion, kVersionSize) || !fits(scanVersion, kVersionSize))
        return FlsStatus::TextTooLong;
    std::memset(out, 0, kSize);
    std::memcpy(out, kMagic, 8);
    std::memcpy(out + kModelOffset, model.data(), model.size());
    std::memcpy(out + kAioOffset, aioVersion.data(), aioVersion.size());
    std::memcpy(out + kPanelOffset, panelVersion.data(), panelVersion.size());
    std::memcpy(out + kScanOffset, scanVersion.data(), scanVersion.size());
    putLe32(out + kLengthOffset, payloadLength);
    putLe32(out + kCrcOffset, payloadCrc);
    return FlsStatus::Ok;
}

FlsStatus FlsHeader::parse(const uint8_t* data, size_t size, FlsHeader& out) {
    if (size < kSize)
        return FlsStatus::TooShort;
    if (std::memcmp(data, kMagic, 8) != 0)
        return FlsStatus::BadMagic;
    FlsHeader h;
    if (!readText(data + kModelOffset, kModelSize, h.model) ||
        !readText(data + kAioOffset, kVersionSize, h.aioVersion) ||
        !readText(data + kPanelOffset, kVersionSize, h.panelVersion) ||
        !readText(data + kScanOffset, kVersionSize, h.scanVersion))
        return FlsStatus::BadText;
    h.payloadLength = getLe32(data + kLengthOffset);
    h.payloadCrc = getLe32(data + kCrcOffset);
    out = h;
    return FlsStatus::Ok;
}

FlsVerdict FlsHeader::judge(const std::string& printerModel, uint64_t receivedLength,
                            uint32_t receivedCrc) const {
    if (model.empty() || upper(model) != upper(printerModel))
        return FlsVerdict::WrongModel;
    if (receivedLength != payloadLength)
        return FlsVerdict::WrongLength;
    if (receivedCrc != payloadCrc)
        return FlsVerdict::BadCrc;
    return FlsVerdict::Accepted;
}
