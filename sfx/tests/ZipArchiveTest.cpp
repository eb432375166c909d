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

namespace {

void put32At(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A program header whose security directory can be pointed at a certificate
// table, as a signing tool does (PE32 or PE32+ optional header).
std::string programHeader(bool pe32plus, size_t length) {
    std::string h(length, '\0');
    h[0] = 'M', h[1] = 'Z';
    h[0x3C] = 0x40;
    h.replace(0x40, 4, std::string("PE\0\0", 4));
    h[0x40 + 20] = static_cast<char>(pe32plus ? 0xF0 : 0xE0); // optional header size
    h[0x58] = 0x0B, h[0x59] = pe32plus ? 0x02 : 0x01;
    h[0x58 + (pe32plus ? 108 : 92)] = 16; // number of directories
    return h;
}

// Appends zero padding to 8 bytes and a certificate table, and records it.
void sign(std::vector<uint8_t>& f, bool pe32plus, size_t tableLength) {
    while (f.size() % 8)
        f.push_back(0);
    size_t security = 0x58 + (pe32plus ? 112 : 96) + 4 * 8;
    put32At(f, security, static_cast<uint32_t>(f.size()));
    put32At(f, security + 4, static_cast<uint32_t>(tableLength));
    for (size_t i = 0; i < tableLength; ++i)
        f.push_back(static_cast<uint8_t>(0x30 + i % 7));
}

} // namespace

TEST(ZipArchiveRead, SignedProgramsKeepTheirArchive) {
    const std::string big = bigText();
    // Header lengths that leave every amount of alignment padding.
    for (size_t extra = 0; extra < 8; ++extra) {
        for (bool pe32plus : {false, true}) {
            ZipBuilder b;
            b.add("a.txt", "hello", false);
            b.add("big.bin", big, true);
            std::vector<uint8_t> f = b.build(programHeader(pe32plus, 1024 + extra));
            sign(f, pe32plus, 1500 + extra);
            ZipArchive zip(f.data(), f.size());
            ASSERT_EQ(zip.open(), ZipStatus::Ok) << extra << pe32plus;
            ZipStatus st;
            EXPECT_EQ(extractText(zip, zip.entries()[1], st), big);
            EXPECT_EQ(st, ZipStatus::Ok);
        }
    }
    std::vector<uint8_t> unsignedFile;
    for (size_t header = 1024; unsignedFile.size() % 8 == 0; ++header) {
        ZipBuilder b;
        b.add("a.txt", "hello", false);
        unsignedFile = b.build(programHeader(false, header)); // one that needs padding
    }
    std::vector<uint8_t> signedFile = unsignedFile;
    sign(signedFile, false, 800);
    {
        std::vector<uint8_t> f = signedFile;
        f.push_back(0); // added after signing: the table no longer ends the file
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::NoEndRecord);
    }
    {
        std::vector<uint8_t> f = signedFile;
        f[unsignedFile.size()] = 1; // padding that is not zero
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::NoEndRecord);
    }
    {
        std::vector<uint8_t> f = unsignedFile;
        f.insert(f.end(), 800, 0x30); // trailing bytes without a certificate entry
        ZipArchive zip(f.data(), f.size());
        EXPECT_EQ(zip.open(), ZipStatus::NoEndRecord);
    }
}
