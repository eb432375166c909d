// Deterministic filler for test firmware: the same seed always gives the same bytes,
// so a build makes byte-identical files and tests can predict the CRC.
#pragma once

#include <cstddef>
#include <cstdint>

class FlsPayload {
public:
    explicit FlsPayload(uint64_t seed) : state_(seed) {}
    // Continues the sequence; chunk sizes do not change the bytes produced.
    void fill(uint8_t* out, size_t size);

private:
    uint64_t next();
    uint64_t state_;
    uint64_t word_ = 0;
    unsigned left_ = 0; // bytes of word_ not handed out yet
};
