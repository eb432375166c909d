#include "Crc32.h"
#include "FlsPayload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#ifdef KIV_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

std::vector<uint8_t> payload(size_t size, uint64_t seed) {
    std::vector<uint8_t> b(size);
    FlsPayload(seed).fill(b.data(), b.size());
    return b;
}

TEST(Crc32, KnownCheckValues) {
    // The published check value of CRC-32/IEEE, and the empty input.
    const std::string check = "123456789";
    EXPECT_EQ(0xCBF43926u, Crc32::of(check.data(), check.size()));
    EXPECT_EQ(0u, Crc32::of(nullptr, 0));
}

TEST(Crc32, ChunkingDoesNotChangeTheValue) {
    auto data = payload(10007, 7);
    uint32_t whole = Crc32::of(data.data(), data.size());
    for (size_t step : {1u, 3u, 4u, 5u, 4096u}) {
        Crc32 crc;
        for (size_t off = 0; off < data.size(); off += step)
            crc.update(data.data() + off, std::min(step, data.size() - off));
        EXPECT_EQ(whole, crc.value()) << "chunks of " << step;
    }
}

TEST(Crc32, OneFlippedBitChangesTheValue) {
    auto data = payload(4096, 3);
    uint32_t before = Crc32::of(data.data(), data.size());
    data[2049] ^= 0x10;
    EXPECT_NE(before, Crc32::of(data.data(), data.size()));
}

#ifdef KIV_HAVE_ZLIB
TEST(Crc32, AgreesWithZlib) {
    for (size_t size : {1u, 7u, 64u, 1000u, 65537u}) {
        auto data = payload(size, size);
        uLong ref = crc32(0L, data.data(), uInt(data.size()));
        EXPECT_EQ(uint32_t(ref), Crc32::of(data.data(), data.size())) << size << " bytes";
    }
}
#endif

TEST(FlsPayload, SameSeedSameBytesWhateverTheChunks) {
    auto whole = payload(1001, 42);
    std::vector<uint8_t> pieces(1001);
    FlsPayload gen(42);
    gen.fill(pieces.data(), 3);
    gen.fill(pieces.data() + 3, 500);
    gen.fill(pieces.data() + 503, 498);
    EXPECT_EQ(whole, pieces);
    EXPECT_NE(whole, payload(1001, 43));
}

} // namespace
