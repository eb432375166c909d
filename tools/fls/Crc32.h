// CRC-32 with the IEEE polynomial (reflected 0xEDB88320), the value zlib's
// crc32() gives, so files made here can be checked with any common tool.
#pragma once

#include <cstddef>
#include <cstdint>

class Crc32 {
public:
    // Feeds more bytes; may be called any number of times on consecutive chunks.
    void update(const void* data, size_t size);
    uint32_t value() const { return ~state_; }
    void reset() { state_ = 0xFFFFFFFFu; }

    static uint32_t of(const void* data, size_t size);

private:
    uint32_t state_ = 0xFFFFFFFFu;
};
