#include "FlsHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

FlsHeader sample() {
    FlsHeader h;
    h.model = "K206";
    h.aioVersion = "K206_G082511_00";
    h.panelVersion = "AB.123456 CDEFG";
    h.scanVersion = "FS1_A010101_02";
    h.payloadLength = 0x01020304;
    h.payloadCrc = 0xA1B2C3D4;
    return h;
}

std::vector<uint8_t> bytesOf(const FlsHeader& h) {
    std::vector<uint8_t> b(FlsHeader::kSize, 0xEE);
    EXPECT_EQ(FlsStatus::Ok, h.write(b.data()));
    return b;
}

TEST(FlsHeaderLayout, FieldsSitAtTheirOffsets) {
    auto b = bytesOf(sample());
    EXPECT_EQ(0, std::memcmp(b.data(), "KIVFLS01", 8));
    EXPECT_EQ(0, std::memcmp(b.data() + 8, "K206\0\0", 6));
    EXPECT_EQ(0, std::memcmp(b.data() + 24, "K206_G082511_00\0", 16));
    EXPECT_EQ(0, std::memcmp(b.data() + 56, "AB.123456 CDEFG\0", 16));
    EXPECT_EQ(0, std::memcmp(b.data() + 88, "FS1_A010101_02\0", 15));
    // Little-endian numbers.
    EXPECT_EQ((std::vector<uint8_t>{4, 3, 2, 1}),
              std::vector<uint8_t>(b.begin() + 120, b.begin() + 124));
    EXPECT_EQ((std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1}),
              std::vector<uint8_t>(b.begin() + 124, b.end()));
    // Padding is zeros, not whatever the buffer held.
    EXPECT_EQ(0, b[23]);
    EXPECT_EQ(0, b[119]);
}

TEST(FlsHeaderLayout, RoundTrip) {
    FlsHeader in = sample(), out;
    auto b = bytesOf(in);
    ASSERT_EQ(FlsStatus::Ok, FlsHeader::parse(b.data(), b.size(), out));
    EXPECT_EQ(in.model, out.model);
    EXPECT_EQ(in.aioVersion, out.aioVersion);
    EXPECT_EQ(in.panelVersion, out.panelVersion);
    EXPECT_EQ(in.scanVersion, out.scanVersion);
    EXPECT_EQ(in.payloadLength, out.payloadLength);
    EXPECT_EQ(in.payloadCrc, out.payloadCrc);
}

TEST(FlsHeaderLayout, TextsThatDoNotFitAreRefused) {
    FlsHeader h = sample();
    h.model = std::string(16, 'M'); // exactly fills the field: allowed
    std::vector<uint8_t> b(FlsHeader::kSize);
    EXPECT_EQ(FlsStatus::Ok, h.write(b.data()));
    h.model += "M";
    std::vector<uint8_t> untouched(FlsHeader::kSize, 0x77);
    EXPECT_EQ(FlsStatus::TextTooLong, h.write(untouched.data()));
    EXPECT_EQ(std::vector<uint8_t>(FlsHeader::kSize, 0x77), untouched);
    h = sample();
    h.scanVersion = std::string(33, 'S');
    EXPECT_EQ(FlsStatus::TextTooLong, h.write(b.data()));
    h = sample();
    h.aioVersion = "K206\n";
    EXPECT_EQ(FlsStatus::TextTooLong, h.write(b.data()));
}

TEST(FlsHeaderParse, DamagedHeadersAreRefused) {
    FlsHeader out;
    auto good = bytesOf(sample());
    EXPECT_EQ(FlsStatus::TooShort, FlsHeader::parse(good.data(), 127, out));
    auto b = good;
    b[7] = '2';
    EXPECT_EQ(FlsStatus::BadMagic, FlsHeader::parse(b.data(), b.size(), out));
    b = good;
    b[30] = 0x01; // control byte inside the AIO text
    EXPECT_EQ(FlsStatus::BadText, FlsHeader::parse(b.data(), b.size(), out));
    b = good;
    b[118] = 'X'; // stray byte after the flash-scan text's terminator
    EXPECT_EQ(FlsStatus::BadText, FlsHeader::parse(b.data(), b.size(), out));
    // A refused parse leaves the output alone.
    EXPECT_TRUE(out.model.empty());
}

TEST(FlsHeaderJudge, ModelLengthAndCrcMustAllMatch) {
    FlsHeader h = sample();
    EXPECT_EQ(FlsVerdict::Accepted, h.judge("K206", h.payloadLength, h.payloadCrc));
    EXPECT_EQ(FlsVerdict::Accepted, h.judge("k206", h.payloadLength, h.payloadCrc));
    EXPECT_EQ(FlsVerdict::WrongModel, h.judge("K207", h.payloadLength, h.payloadCrc));
    EXPECT_EQ(FlsVerdict::WrongLength, h.judge("K206", h.payloadLength - 1, h.payloadCrc));
    EXPECT_EQ(FlsVerdict::WrongLength, h.judge("K206", h.payloadLength + 1ull, h.payloadCrc));
    EXPECT_EQ(FlsVerdict::BadCrc, h.judge("K206", h.payloadLength, h.payloadCrc ^ 1));
    h.model.clear();
    EXPECT_EQ(FlsVerdict::WrongModel, h.judge("", h.payloadLength, h.payloadCrc));
}

} // namespace
