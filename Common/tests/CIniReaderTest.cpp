#include "CIniReader.h"
#include "IniValueSplit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;

class IniFile : public ::testing::Test {
protected:
    std::wstring write(const std::string& text) {
        std::wstring path = folder_.path() + L"config.ini";
        writeFileBytes(path, text);
        return path;
    }
    TempFolder folder_;
};

TEST_F(IniFile, ValuesMergeAcrossSectionsInFileOrder) {
    CIniReader reader;
    reader.setINIFileName(write(";KIV Config File\r\n"
                                "[First]\r\nPIDs=31C7, 31C8\r\nOther=1\r\n"
                                "[Second]\r\nPIDs=4000\r\n"
                                "[Third]\r\nNone=\r\n"
                                "[Fourth]\r\npids=,,5000,,\r\n"));
    EXPECT_EQ(reader.getKeyValue(L"PIDs"), (Texts{L"31C7", L" 31C8", L"4000", L"5000"}));
    EXPECT_TRUE(reader.keyExists(L"PIDS"));
    EXPECT_TRUE(reader.keyExists(L"other"));
    EXPECT_FALSE(reader.keyExists(L"None"));
    EXPECT_FALSE(reader.keyExists(L"Missing"));
    EXPECT_TRUE(reader.getKeyValue(L"None").empty());

    // A section written twice is read as the system reads it, from its first
    // copy, and counted once: not two copies of its values.
    reader.setINIFileName(write("[UpdateSequence]\r\n1.Files=a.fls:0\r\n"
                                "[Other]\r\nX=1\r\n"
                                "[updatesequence]\r\n1.Files=b.fls:0\r\n2.Cmds=AA\r\n"));
    EXPECT_EQ(reader.getKeyValue(L"1.Files"), (Texts{L"a.fls:0"}));
    EXPECT_FALSE(reader.keyExists(L"2.Cmds"));
}

TEST_F(IniFile, EmptyValueThenValueInALaterSection) {
    CIniReader reader;
    reader.setINIFileName(write("[A]\r\nSprList=\r\n[B]\r\nSprList=3\r\n"));
    EXPECT_TRUE(reader.keyExists(L"SprList"));
    EXPECT_EQ(reader.getKeyValue(L"SprList"), (Texts{L"3"}));
}

// The first value comes from the first section that has one, without the
// blank a "K206 , K306" list leaves behind it; a key of only empty values
// has none, which the caller must tell from an empty first value.
TEST_F(IniFile, FirstValueSkipsEmptySectionsAndBlanks) {
    CIniReader reader;
    reader.setINIFileName(
        write("[A]\r\nModelName=\r\nVID=,\r\n[B]\r\nModelName=K206 \t, K306\r\n"));
    std::wstring value = L"untouched";
    ASSERT_TRUE(reader.firstValue(L"ModelName", value));
    EXPECT_EQ(value, L"K206");
    value = L"untouched";
    EXPECT_FALSE(reader.firstValue(L"VID", value));
    EXPECT_FALSE(reader.firstValue(L"Missing", value));
    EXPECT_EQ(value, L"untouched");
}

TEST_F(IniFile, ResultIsReplacedByTheNextCallAndFileChangesAreSeen) {
    CIniReader reader;
    std::wstring path = write("[S]\r\nA=1,2\r\nB=3\r\n");
    reader.setINIFileName(path);
    const Texts& first = reader.getKeyValue(L"A");
    EXPECT_EQ(first, (Texts{L"1", L"2"}));
    const Texts& second = reader.getKeyValue(L"B");
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second, (Texts{L"3"}));
    write("[S]\r\nB=4\r\n");
    EXPECT_EQ(reader.getKeyValue(L"B"), (Texts{L"4"}));
}

TEST_F(IniFile, BlanksQuotesAndCommentLines) {
    CIniReader reader;
    reader.setINIFileName(write("; KIV Config File\r\n[S]\r\n  Vendor  =  \"Oskel, Tavrin\"  \r\n"
                                ";Hidden=1\r\nModel = 'K206' \r\n"));
    EXPECT_EQ(reader.getKeyValue(L"Vendor"), (Texts{L"Oskel", L" Tavrin"}));
    EXPECT_EQ(reader.getKeyValue(L"Model"), (Texts{L"K206"}));
    EXPECT_FALSE(reader.keyExists(L"Hidden"));
    EXPECT_EQ(reader.getSectionKeys(L"S"), (Texts{L"Vendor", L"Model"}));
}

TEST_F(IniFile, SectionKeysInFileOrderIncludingEmptyValues) {
    CIniReader reader;
    reader.setINIFileName(write("[UpdateSequence]\r\n3.Files=b.fls\r\n1.Exec=\r\n"
                                "2.POR=POR_ALERT\r\n[Other]\r\nX=1\r\n"));
    EXPECT_EQ(reader.getSectionKeys(L"UpdateSequence"), (Texts{L"3.Files", L"1.Exec", L"2.POR"}));
    EXPECT_EQ(reader.getSectionKeys(L"updatesequence").size(), 3u);
    EXPECT_TRUE(reader.getSectionKeys(L"Absent").empty());
}

// A value, a key list and a section list each far longer than one read's
// buffer come whole, not cut at the buffer's end.
TEST_F(IniFile, LongValuesAndListsAreReadWhole) {
    std::string items, keys, sections;
    for (int i = 0; i < 300; ++i) {
        items += (i ? "," : "") + std::string("AABB:A5:") + std::to_string(i % 10);
        keys += "Key" + std::to_string(100000 + i) + "=x\r\n";
        sections += "[Section" + std::to_string(100000 + i) + "]\r\n";
    }
    CIniReader reader;
    reader.setINIFileName(write("[UpdateSequence]\r\n1.Cmds=" + items + "\r\n" + keys + sections +
                                "[Last]\r\nAtTheEnd=1\r\n"));
    const Texts& values = reader.getKeyValue(L"1.Cmds");
    ASSERT_EQ(values.size(), 300u);
    EXPECT_EQ(values.back(), L"AABB:A5:9");
    EXPECT_EQ(reader.getSectionKeys(L"UpdateSequence").size(), 301u);
    EXPECT_TRUE(reader.keyExists(L"AtTheEnd"));
}

TEST_F(IniFile, PackageConfigAsShipped) {
    CIniReader reader;
    std::wstring path =
        write(";KIV Config File\r\n[DeviceInfo]\r\nVendor=Oskel\r\nModelName=K206\r\n"
              "VID=7B1E\r\nPIDs=31C7\r\n[Versions]\r\n"
              "FirmwareVersion1=K206_G082511_00\r\n[UpdateSequence]\r\n"
              "1.Files=flash.fls:0\r\n[Verifications]\r\nCheckSpr=true\r\n"
              "SprList=\r\n[Timers]\r\nFlashTimeout=145\r\n");
    reader.setINIFileName(path);
    EXPECT_EQ(reader.getKeyValue(L"Vendor"), (Texts{L"Oskel"}));
    EXPECT_EQ(reader.getKeyValue(L"FirmwareVersion1"), (Texts{L"K206_G082511_00"}));
    EXPECT_FALSE(reader.keyExists(L"FirmwareVersion2"));
    EXPECT_TRUE(reader.getKeyValue(L"SprList").empty());
    EXPECT_EQ(reader.getSectionKeys(L"UpdateSequence"), (Texts{L"1.Files"}));
    EXPECT_EQ(reader.getKeyValue(L"1.Files"), (Texts{L"flash.fls:0"}));
}

TEST_F(IniFile, MissingFileOrNoPathGivesNothing) {
    CIniReader unset;
    EXPECT_FALSE(unset.keyExists(L"Vendor"));
    EXPECT_TRUE(unset.getKeyValue(L"Vendor").empty());
    EXPECT_TRUE(unset.getSectionKeys(L"DeviceInfo").empty());
    CIniReader missing;
    missing.setINIFileName(folder_.path() + L"absent.ini");
    EXPECT_FALSE(missing.keyExists(L"Vendor"));
    EXPECT_TRUE(missing.getKeyValue(L"Vendor").empty());
}

TEST(IniValueSplit, CommaPiecesAndNullLists) {
    Texts out;
    const wchar_t value[] = L",a,, b ,";
    appendCommaPieces(value, 8, out);
    EXPECT_EQ(out, (Texts{L"a", L" b "}));
    out.clear();
    const wchar_t list[] = L"one\0two\0\0three";
    appendNullSeparated(list, 14, out);
    EXPECT_EQ(out, (Texts{L"one", L"two", L"three"}));
    out.clear();
    // A count that stops inside a name keeps the part read.
    appendNullSeparated(list, 6, out);
    EXPECT_EQ(out, (Texts{L"one", L"tw"}));
}

} // namespace
