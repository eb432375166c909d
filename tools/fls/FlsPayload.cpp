#include "FlsPayload.h"

uint64_t FlsPayload::next() {
    // splitmix64: tiny, fast, and good enough that the payload does not compress.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void FlsPayload::fill(uint8_t* out, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        if (left_ == 0) {
            word_ = next();
            left_ = 8;
        }
        out[i] = uint8_t(word_);
        word_ >>= 8;
        --left_;
    }
}
