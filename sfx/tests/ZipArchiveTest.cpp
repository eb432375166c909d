#include "ZipArchive.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

namespace {

std::string extractText(const ZipArchive& zip, const ZipEntry& e, ZipStatus& st) {
    std::string out;
    st = zip.extract(e, [&](const uint8_t* p, size_t n) {
        out.append(reinterpret_cast<const char*>(p), n);
        return true;
    });
    return out;
}

std::string bigText() {
    std::string s;
    for (int i = 0; i < 200000; ++i)
        s += static_cast<char>('a' + (i * 7919) % 26);
    return s;
}

} // namespace

TEST(ZipEntryName, PlainRelativeNamesAreSafe) {
    for (const char* n : {"config.ini", "en/lang.dll", "pt_BR/lang.dll", "a.b/c-d_e.txt"})
        EXPECT_TRUE(isSafeEntryName(n)) << n;
}

TEST(ZipEntryName, NamesThatEscapeOrAliasAreRefused) {
    for (const char* n : {"",
                          "/etc/passwd",
                          "../x",
                          "a/../../x",
                          "a/..",
                          "..",
                          "C:x",
                          "C:/Windows/x",
                          "a\\..\\x",
                          "\\\\server\\share",
                          "file.txt:stream",
                          "a//b",
                          "./a",
                          "dir./x",
                          "name ",
                          "NUL",
                          "con.txt",
                          "a/COM1",
                          "lpt9.log",
                          "a\x01"
                          "b",
                          "what?",
                          "star*"})
        EXPECT_FALSE(isSafeEntryName(n)) << n;
    EXPECT_TRUE(isSafeEntryName("console.txt"));
    EXPECT_TRUE(isSafeEntryName("COM10"));
}

TEST(ZipArchiveRead, StoredAndDeflatedEntriesBehindAPrefix) {
    const std::string big = bigText();
    for (bool relative : {false, true}) {
        ZipBuilder b;
        b.add("a.txt", "hello", false);
        b.add("sub/big.bin", big, true);
        b.add("empty.txt", "", true);
        std::vector<uint8_t> file = b.build(std::string(4096, 'S'), relative);
        ZipArchive zip(file.data(), file.size());
        ASSERT_EQ(zip.open(), ZipStatus::Ok) << relative;
        ASSERT_EQ(zip.entries().size(), 3u);
        ZipStatus st;
        EXPECT_EQ(extractText(zip, zip.entries()[0], st), "hello");
        EXPECT_EQ(st, ZipStatus::Ok);
        EXPECT_EQ(extractText(zip, zip.entries()[1], st), big);
        EXPECT_EQ(st, ZipStatus::Ok);
        EXPECT_EQ(extractText(zip, zip.entries()[2], st), "");
        EXPECT_EQ(st, ZipStatus::Ok);
    }
}

TEST(ZipArchiveRead, DamageIsDetected) {
    ZipBuilder b;
    b.add("x.bin", bigText(), true);
    b.add("y.txt", "stored text", false);
    const std::vector<uint8_t> good = b.build("STUB");
    const ZipBuilder::Item& x = b.items()[0];
    const uint32_t xData = x.localOffset + 30 + 5;
    const uint32_t yData = b.items()[1].localOffset + 30 + 5;

    {
        std::vector<uint8_t> f = good;
        f[xData + x.csize / 2] ^= 0x55;
        ZipArchive zip(f.data(), f.size());
        ASSERT_EQ(zip.open(), ZipStatus::Ok);
        ZipStatus st;
        extractText(zip, zip.entries()[0], st);
        EXPECT_TRUE(st == ZipStatus::DataError || st == ZipStatus::CrcMismatch ||
                    st == ZipStatus::SizeMismatch)
            << toString(st);
    }
    {
        std::vector<uint8_t> f = good;
        f[yData] ^= 0x01;
        ZipArchive zip(f.data(), f.size());
        ASSERT_EQ(zip.open(), ZipStatus::Ok);
        ZipStatus st;
        extractText(zip, zip.entries()[1], st);
        EXPECT_EQ(st, ZipStatus::CrcMismatch);
    }
    {
        std::vector<uint8_t> f(good.begin(), good.end() - 1); // end record cut
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::NoEndRecord);
    }
    {
        std::vector<uint8_t> f = good;
        f[b.items()[1].localOffset] ^= 0xFF; // local signature of y
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::BadLocalHeader);
    }
    {
        std::vector<uint8_t> f(100, 0);
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::NoEndRecord);
    }
}

TEST(ZipArchiveRead, UnsafeAndDuplicateEntriesFailTheWholeArchive) {
    {
        ZipBuilder b;
        b.add("fine.txt", "1");
        b.add("../escape.txt", "2");
        std::vector<uint8_t> f = b.build();
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::UnsafeName);
        EXPECT_TRUE(zip.entries().size() < 2);
    }
    {
        ZipBuilder b;
        b.add("Same.txt", "1");
        b.add("same.TXT", "2");
        std::vector<uint8_t> f = b.build();
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::DuplicateName);
    }
}
