#include "PrinterReplies.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// Reads a version reply the way the engine does: the seven header bytes
// overwritten with 0x10, the text up to the first zero split at blanks, line
// feeds and returns.
std::vector<std::string> engineTokens(Bytes reply) {
    for (size_t i = 0; i < 7 && i < reply.size(); ++i)
        reply[i] = 0x10;
    std::vector<std::string> tokens;
    std::string cur;
    for (uint8_t b : reply) {
        if (b == 0)
            break;
        if (b == ' ' || b == '\n' || b == '\r') {
            if (!cur.empty())
                tokens.push_back(cur);
            cur.clear();
        } else {
            cur += char(b);
        }
    }
    if (!cur.empty())
        tokens.push_back(cur);
    return tokens;
}

size_t framedLength(const Bytes& r) {
    return size_t(r[1]) << 8 | r[2];
}

TEST(VersionReply, TokensSitWhereTheEngineLooks) {
    Bytes r = PrinterReplies::version("K206_G082511_00", "AB.123456 CDEFG");
    ASSERT_GE(r.size(), 7u);
    EXPECT_EQ((Bytes{0xA5, 0x50, 0xE0, 0x81}), (Bytes{r[0], r[3], r[4], r[5]}));
    EXPECT_EQ(r.size(), 3 + framedLength(r));
    auto t = engineTokens(r);
    ASSERT_GE(t.size(), 7u);
    EXPECT_EQ(7u, t[0].size()) << "the header is token 0 on its own";
    EXPECT_EQ("K206_G082511_00", t[2]);
    EXPECT_EQ("AB.123456", t[5]);
    EXPECT_EQ("CDEFG", t[6]);
}

TEST(VersionReply, AbsentPartsAreDashes) {
    auto t = engineTokens(PrinterReplies::version("", ""));
    ASSERT_EQ(7u, t.size());
    EXPECT_EQ("-", t[2]);
    EXPECT_EQ("-", t[5]);
    EXPECT_EQ("-", t[6]);
    t = engineTokens(PrinterReplies::version("K206_G1_00", "NP1.234567"));
    ASSERT_EQ(7u, t.size());
    EXPECT_EQ("NP1.234567", t[5]);
    EXPECT_EQ("-", t[6]);
}

TEST(VersionReply, FramedExactlyWhateverTheLengthByteReadsAs) {
    // Every AIO length up to the field size: among them lengths whose low byte
    // is a blank, a line end or a zero, which the reply carries unpadded.
    std::set<uint8_t> lows;
    for (size_t n = 1; n <= 40; ++n) {
        std::string aio(n, 'A');
        for (const std::string& panel :
             {std::string(), std::string("P.1 T"), std::string(n, 'P')}) {
            Bytes r = PrinterReplies::version(aio, panel);
            lows.insert(r[2]);
            EXPECT_EQ(r.size(), 3 + framedLength(r));
            EXPECT_EQ(0, r.back()) << "the text ends with one zero byte";
            EXPECT_NE(0, r[r.size() - 2]);
            auto t = engineTokens(r);
            ASSERT_GE(t.size(), 3u);
            EXPECT_EQ(aio, t[2]);
        }
    }
    EXPECT_TRUE(lows.count(0x20)) << "a reply 0x20 bytes long";
}

TEST(OtherReplies, StatusIdentifierAndSetup) {
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x81, 0x00}), PrinterReplies::status());
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x82, 0x00}), PrinterReplies::setup());
    Bytes id = PrinterReplies::identifier(0x7B1E, 0x31C7);
    ASSERT_EQ(15u, id.size());
    EXPECT_EQ(12u, framedLength(id));
    EXPECT_EQ((Bytes{0x7B, 0x1E, 0x31, 0xC7}), Bytes(id.begin() + 11, id.end()));
}

TEST(OtherReplies, FlashScanIsTextZeroAndAtLeastTenBytes) {
    Bytes r = PrinterReplies::flashScan("FS1_A010101_02");
    EXPECT_EQ("FS1_A010101_02", std::string(r.begin(), r.end() - 1));
    EXPECT_EQ(0, r.back());
    Bytes shortOne = PrinterReplies::flashScan("F_1");
    EXPECT_EQ(10u, shortOne.size());
    EXPECT_EQ("F_1", std::string(reinterpret_cast<const char*>(shortOne.data())));
    EXPECT_TRUE(PrinterReplies::flashScan("").empty());
}

TEST(Classify, OnlyTheExactCommandsAreKnown) {
    EXPECT_EQ(Command::Version,
              PrinterReplies::classify({0xA5, 0, 7, 0x50, 0xE0, 0x81, 0, 2, 5, 0x10}));
    EXPECT_EQ(Command::Status,
              PrinterReplies::classify({0xA5, 0, 7, 0x50, 0xE0, 0x81, 0, 2, 0, 0x11}));
    EXPECT_EQ(Command::Identifier,
              PrinterReplies::classify({0xA5, 0, 7, 0x50, 0xE0, 0x81, 0, 2, 0, 0x13}));
    EXPECT_EQ(Command::SetupSecond, PrinterReplies::classify({0xA5, 0, 5, 0x50, 0xE0, 0x82, 2, 2}));
    EXPECT_EQ(Command::FlashScan, PrinterReplies::classify({0x1B, 0x2A, 0x73, 0x01, 0x08}));
    EXPECT_EQ(Command::Other, PrinterReplies::classify({0x1B, 0x2A, 0x73, 0x01}));
    EXPECT_EQ(Command::Other,
              PrinterReplies::classify({0xA5, 0, 7, 0x50, 0xE0, 0x81, 0, 2, 5, 0x11}));
    EXPECT_EQ(Command::Other, PrinterReplies::classify({}));
}

TEST(Faults, GarbleKeepsFramingButBreaksTheHeader) {
    std::mt19937 rng(1);
    for (int i = 0; i < 50; ++i) {
        Bytes good = PrinterReplies::version("K206_G082511_00", "");
        Bytes bad = PrinterReplies::garble(good, rng);
        ASSERT_EQ(good.size(), bad.size());
        EXPECT_EQ(good[1], bad[1]);
        EXPECT_EQ(good[2], bad[2]);
        EXPECT_NE(0xA5, bad[0]);
        EXPECT_FALSE(bad[4] == 0xE0 && bad[5] == 0x81);
    }
}

TEST(Faults, CutReframesWhatIsLeft) {
    Bytes v = PrinterReplies::cut(PrinterReplies::version("K206_G082511_00", ""), 5);
    EXPECT_EQ((Bytes{0xA5, 0x00, 0x02, 0x50, 0xE0}), v);
    Bytes id = PrinterReplies::cut(PrinterReplies::identifier(1, 2), 12);
    EXPECT_EQ(12u, id.size());
    EXPECT_EQ(9u, framedLength(id));
    Bytes scan = PrinterReplies::cut(PrinterReplies::flashScan("FS1_A010101_02"), 9);
    EXPECT_EQ("FS1_A0101", std::string(scan.begin(), scan.end()));
    EXPECT_EQ(3u, PrinterReplies::cut({1, 2, 3}, 10).size());
}

TEST(Faults, CutFramePromisesMoreThanItHolds) {
    Bytes full = PrinterReplies::identifier(0x7B1E, 0x31C7);
    Bytes half = PrinterReplies::cutFrame(full);
    EXPECT_EQ(full.size() / 2, half.size());
    EXPECT_EQ(Bytes(full.begin(), full.begin() + 3), Bytes(half.begin(), half.begin() + 3));
    EXPECT_GT(framedLength(half), half.size() - 3);
}

} // namespace
