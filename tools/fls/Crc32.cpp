#include "Crc32.h"

#include <array>

namespace {

// Slicing by 4: the simulator checks multi-megabyte files at loopback speed, and a
// byte-at-a-time loop would be the slowest part of that path.
using Tables = std::array<std::array<uint32_t, 256>, 4>;

Tables makeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t s = 1; s < 4; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

const Tables& tables() {
    static const Tables t = makeTables();
    return t;
}

} // namespace

void Crc32::update(const void* data, size_t size) {
    const Tables& t = tables();
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = state_;
    while (size >= 4) {
        c ^= uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
        p += 4;
        size -= 4;
    }
    while (size--)
        c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    state_ = c;
}

uint32_t Crc32::of(const void* data, size_t size) {
    Crc32 crc;
    crc.update(data, size);
    return crc.value();
}
