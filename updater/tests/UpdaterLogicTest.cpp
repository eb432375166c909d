// The engine's pure logic: reply parsing, version comparison and the pieces
// of the flash script.
#include "EngineText.h"
#include "FlashSequence.h"
#include "VersionCompare.h"
#include "VersionReply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A version reply as the printer frames it: A5, count, 50 E0 81, status, text, 00.
std::vector<unsigned char> versionReply(const std::string& text, unsigned char status = 0) {
    size_t count = 4 + text.size() + 1;
    std::vector<unsigned char> bytes = {0xA5,
                                        static_cast<unsigned char>(count >> 8),
                                        static_cast<unsigned char>(count & 0xFF),
                                        0x50,
                                        0xE0,
                                        0x81,
                                        status};
    for (char c : text)
        bytes.push_back(static_cast<unsigned char>(c));
    bytes.push_back(0);
    return bytes;
}

} // namespace

TEST(EngineText, LeadingIntegerReadsLikeTheRuntime) {
    EXPECT_EQ(EngineText::leadingInt(L"145"), 145);
    EXPECT_EQ(EngineText::leadingInt(L" 40s"), 40);
    EXPECT_EQ(EngineText::leadingInt(L"-3"), -3);
    EXPECT_EQ(EngineText::leadingInt(L"+7"), 7);
    EXPECT_EQ(EngineText::leadingInt(L"x12"), 0);
    EXPECT_EQ(EngineText::leadingInt(L""), 0);
    EXPECT_EQ(EngineText::leadingInt(L"99999999999999"), INT32_MAX);
    EXPECT_EQ(EngineText::leadingInt(L"-99999999999999"), INT32_MIN);
}

TEST(EngineText, HexAndWideningStayInsideTheBuffer) {
    const unsigned char bytes[] = {0xA5, 0x00, 0x0F, 0x7B, 'A', 0, 'B'};
    EXPECT_EQ(EngineText::hexText(bytes, 4), L"A5000F7B");
    EXPECT_EQ(EngineText::hexText(nullptr, 4), L"");
    EXPECT_EQ(EngineText::widenUntilZero(bytes + 4, 3), L"A");
    // No zero byte inside the length: the length ends the text.
    EXPECT_EQ(EngineText::widenUntilZero(bytes + 3, 2), L"{A");
}

TEST(EngineText, SplitKeepsEmptyPiecesButEmptyTextHasNone) {
    EXPECT_TRUE(EngineText::splitKeepEmpty(L"", L'|').empty());
    std::vector<std::wstring> pieces = EngineText::splitKeepEmpty(L"a||b|", L'|');
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], L"a");
    EXPECT_EQ(pieces[1], L"");
    EXPECT_EQ(pieces[3], L"");
    EXPECT_EQ(EngineText::before(L"AB12-XYZ", L'-'), L"AB12");
    EXPECT_EQ(EngineText::before(L"AB12", L'-'), L"AB12");
}

TEST(VersionReply, HeaderNeedsSevenBytesAndTheRightMarkers) {
    std::vector<unsigned char> good = versionReply(" FW K206_G082511_00");
    EXPECT_TRUE(VersionReply::headerMatches(good.data(), static_cast<uint32_t>(good.size())));
    EXPECT_TRUE(VersionReply::headerMatches(good.data(), 7));
    EXPECT_FALSE(VersionReply::headerMatches(good.data(), 6));
    for (size_t marker : {0u, 3u, 4u, 5u}) {
        std::vector<unsigned char> bad = good;
        bad[marker] ^= 0xFF;
        EXPECT_FALSE(VersionReply::headerMatches(bad.data(), static_cast<uint32_t>(bad.size())))
            << "byte " << marker;
    }
    // Bytes 1, 2 and 6 are not markers.
    std::vector<unsigned char> other = good;
    other[1] = 0x33;
    other[6] = 0x44;
    EXPECT_TRUE(VersionReply::headerMatches(other.data(), static_cast<uint32_t>(other.size())));
}

TEST(VersionReply, TokensIgnoreLengthAndStatusBytes) {
    // A status byte of 0 and a length high byte of 0 would end the text, and
    // a blank status would split the header: both are read as 0x10.
    std::vector<unsigned char> reply = versionReply(" FW K206_G082511_00 PNL x AB.123456 CDEFG", 0);
    std::vector<std::wstring> tokens =
        VersionReply::tokenize(reply.data(), static_cast<uint32_t>(reply.size()));
    ASSERT_EQ(tokens.size(), 7u);
    EXPECT_EQ(tokens[0].size(), 7u);
    EXPECT_EQ(tokens[2], L"K206_G082511_00");
    EXPECT_EQ(tokens[5], L"AB.123456");
    reply[6] = ' ';
    EXPECT_EQ(VersionReply::tokenize(reply.data(), static_cast<uint32_t>(reply.size())).size(), 7u);
    // Line feeds, carriage returns and runs of blanks separate; text stops at 0.
    std::vector<unsigned char> mixed = versionReply("\r\nA  B\rCC");
    mixed.push_back('D');
    EXPECT_EQ(VersionReply::tokenize(mixed.data(), static_cast<uint32_t>(mixed.size())).size(), 4u);
    // The length ends the text when there is no zero byte.
    EXPECT_EQ(VersionReply::tokenize(reply.data(), 9).size(), 2u);
}

TEST(VersionReply, EveryLengthByteLeavesTheHeaderOneToken) {
    std::vector<unsigned char> reply = versionReply(" FW K206_G082511_00 PNL x AB.123456 CDEFG");
    for (int low = 0; low <= 255; ++low) {
        for (unsigned char status : {0x00, 0x0A, 0x20}) {
            reply[2] = static_cast<unsigned char>(low);
            reply[6] = status;
            std::vector<std::wstring> tokens =
                VersionReply::tokenize(reply.data(), static_cast<uint32_t>(reply.size()));
            ASSERT_EQ(tokens.size(), 7u) << "length byte " << low << ", status " << int(status);
            EXPECT_EQ(tokens[0].size(), 7u);
            EXPECT_EQ(VersionReply::aioValue(tokens[VersionReply::AioToken]), L"K206_G082511_00");
        }
    }
}

TEST(VersionReply, AioValueEndsTwoCharactersAfterTheLastUnderscore) {
    EXPECT_EQ(VersionReply::aioValue(L"K206_G082511_00XYZ"), L"K206_G082511_00");
    EXPECT_EQ(VersionReply::aioValue(L"K206_G082511_0"), L"K206_G082511_0");
    EXPECT_EQ(VersionReply::aioValue(L"K206G"), L"K2");
    EXPECT_EQ(VersionReply::aioValue(L"K"), L"K");
}

TEST(VersionReply, PanelValueForms) {
    std::vector<std::wstring> tokens = {L"h", L"FW", L"aio", L"PNL", L"x", L"AB.123456", L"CDEFG"};
    std::wstring value;
    bool dotted = false;
    ASSERT_TRUE(VersionReply::panelValue(tokens, value, dotted));
    EXPECT_TRUE(dotted);
    EXPECT_EQ(value, L"AB.123456.CDFG");

    tokens[5] = L"NP1.234567";
    ASSERT_TRUE(VersionReply::panelValue(tokens, value, dotted));
    EXPECT_FALSE(dotted);
    EXPECT_EQ(value, L"NP1.2345");

    tokens[5] = L"NP1234567";
    ASSERT_TRUE(VersionReply::panelValue(tokens, value, dotted));
    EXPECT_EQ(value, L"NP12");

    // The dotted form needs its tail token; the other forms do not.
    tokens.resize(6);
    tokens[5] = L"AB.123456";
    EXPECT_FALSE(VersionReply::panelValue(tokens, value, dotted));
    tokens[5] = L"NP1.234567";
    EXPECT_TRUE(VersionReply::panelValue(tokens, value, dotted));
    tokens.resize(5);
    EXPECT_FALSE(VersionReply::panelValue(tokens, value, dotted));
}

TEST(VersionReply, IdentifiersNeedFifteenBytes) {
    std::vector<unsigned char> reply = {0xA5, 0x00, 0x0C, 0x50, 0xE0, 0x81, 0x00, 0x00,
                                        0x00, 0x00, 0x00, 0x1A, 0x2B, 0x05, 0x67};
    std::wstring vendor;
    std::wstring product;
    ASSERT_TRUE(VersionReply::identifiers(reply.data(), 15, vendor, product));
    EXPECT_EQ(vendor, L"1A2B");
    EXPECT_EQ(product, L"0567");
    EXPECT_FALSE(VersionReply::identifiers(reply.data(), 14, vendor, product));
    EXPECT_FALSE(VersionReply::identifiers(nullptr, 15, vendor, product));
}

TEST(VersionCompare, PackagePanelFormMatchesTheDeviceForm) {
    // Turned into the form the device read produces from "AB.123456 CDEFG".
    EXPECT_EQ(VersionCompare::packagePanelForm(L"AB.123456_CDEFG"), L"AB.123456.CDFG");
    // Only values with their last "." at index 2 are edited.
    EXPECT_EQ(VersionCompare::packagePanelForm(L"NP1.2345"), L"NP1.2345");
    // Too short for one or both edits: what exists is edited, nothing is read past.
    EXPECT_EQ(VersionCompare::packagePanelForm(L"AB.1234"), L"AB.1234");
    EXPECT_EQ(VersionCompare::packagePanelForm(L"AB.123456_C"), L"AB.123456.C");
    EXPECT_EQ(VersionCompare::packagePanelForm(L"AB.123456_CD"), L"AB.123456.CD");
    EXPECT_EQ(VersionCompare::packagePanelForm(L"AB.123456_CDE"), L"AB.123456.CD");
}

TEST(VersionCompare, FirmwareLetterAndNormalisation) {
    EXPECT_EQ(VersionCompare::firmwareLetter(L"K206_G082511_00"), L"G");
    EXPECT_EQ(VersionCompare::firmwareLetter(L"K206_"), L"");
    EXPECT_EQ(VersionCompare::firmwareLetter(L"K206"), L"");
    EXPECT_EQ(VersionCompare::normalise(L"K206_G082511_00|AB.123456.CDFG"),
              L"082511_00|AB_123456_CDFG");
    EXPECT_EQ(VersionCompare::normalise(L"X082511"), L"082511");
    EXPECT_EQ(VersionCompare::normalise(L"K206_"), L"");
    EXPECT_EQ(VersionCompare::normalise(L"K206_G"), L"");
    EXPECT_EQ(VersionCompare::normalise(L""), L"");
}

TEST(VersionCompare, CivilDaysFollowTheCalendar) {
    EXPECT_EQ(VersionCompare::daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(VersionCompare::daysFromCivil(1970, 1, 2), 1);
    EXPECT_EQ(VersionCompare::daysFromCivil(1969, 12, 31), -1);
    // Leap years: 2000 and 2012 have 366 days, 2100 has 365.
    EXPECT_EQ(VersionCompare::daysFromCivil(2001, 1, 1) - VersionCompare::daysFromCivil(2000, 1, 1),
              366);
    EXPECT_EQ(VersionCompare::daysFromCivil(2013, 1, 1) - VersionCompare::daysFromCivil(2012, 1, 1),
              366);
    EXPECT_EQ(VersionCompare::daysFromCivil(2101, 1, 1) - VersionCompare::daysFromCivil(2100, 1, 1),
              365);
    // Out-of-range months and days roll over like a calendar conversion.
    EXPECT_EQ(VersionCompare::daysFromCivil(2011, 13, 1),
              VersionCompare::daysFromCivil(2012, 1, 1));
    EXPECT_EQ(VersionCompare::daysFromCivil(2012, 3, 0),
              VersionCompare::daysFromCivil(2012, 2, 29));
    EXPECT_EQ(VersionCompare::daysFromCivil(2011, 0, 0),
              VersionCompare::daysFromCivil(2010, 11, 30));
    EXPECT_EQ(VersionCompare::daysFromCivil(2011, 2, 31),
              VersionCompare::daysFromCivil(2011, 3, 3));
    // Past 2038, where a 32-bit time value would overflow.
    EXPECT_GT(VersionCompare::daysFromCivil(2099, 1, 1), VersionCompare::daysFromCivil(2038, 1, 1));
}

TEST(VersionCompare, StampsReadFixedPositionsPerSegment) {
    VersionCompare::SegmentStamp aio = VersionCompare::stampOf(L"082511_00", 0);
    EXPECT_EQ(aio.days, VersionCompare::daysFromCivil(2011, 8, 25));
    EXPECT_EQ(aio.suffix, L"00");
    VersionCompare::SegmentStamp panel = VersionCompare::stampOf(L"AB_010212_CDFG", 1);
    EXPECT_EQ(panel.days, VersionCompare::daysFromCivil(2012, 1, 2));
    EXPECT_EQ(panel.suffix, L"CDFG");
    VersionCompare::SegmentStamp scan = VersionCompare::stampOf(L"FSV_123009_7A", 2);
    EXPECT_EQ(scan.days, VersionCompare::daysFromCivil(2009, 12, 30));
    EXPECT_EQ(scan.suffix, L"7A");
    // Short segments read missing numbers as 0 and the suffix as empty.
    VersionCompare::SegmentStamp shortOne = VersionCompare::stampOf(L"0825", 0);
    EXPECT_EQ(shortOne.days, VersionCompare::daysFromCivil(2000, 8, 25));
    EXPECT_EQ(shortOne.suffix, L"");
    EXPECT_EQ(VersionCompare::stampOf(L"", 1).days, VersionCompare::daysFromCivil(2000, 0, 0));
}

TEST(VersionCompare, ComparesByDateThenSuffixAcrossSegments) {
    using VersionCompare::compare;
    EXPECT_EQ(compare(L"K206_G011510_00", L"K206_G011410_00"), VersionCompare::PackageNewer);
    EXPECT_EQ(compare(L"K206_G011410_00", L"K206_G011510_00"), VersionCompare::DeviceNewer);
    EXPECT_EQ(compare(L"K206_G011510_02", L"K206_G011510_01"), VersionCompare::PackageNewer);
    EXPECT_EQ(compare(L"K206_G011510_01", L"K206_H011510_01"), VersionCompare::Equal);
    // Different segment counts: the package wins without looking at dates.
    EXPECT_EQ(compare(L"K206_G011410_00|AB.123456.CDFG", L"K206_G011510_00|AB.123456.CDFG|X"),
              VersionCompare::PackageNewer);
    // Equal first segments are not enough: a panel left on its old version
    // is older, and one that differs in another way is not equal either.
    EXPECT_EQ(compare(L"K206_G011510_00|AB.010199.CDFG", L"K206_G011510_00|AB.010112.CDFG"),
              VersionCompare::PackageNewer);
    EXPECT_EQ(compare(L"K206_G011510_00|AB.010112.CDFG", L"K206_G011510_00|AB.010199.CDFG"),
              VersionCompare::DeviceNewer);
    // An older first segment does not end the comparison.
    EXPECT_EQ(compare(L"K206_G011410_00|AB.010212.CDFG", L"K206_G011510_00|AB.010112.CDFG"),
              VersionCompare::PackageNewer);
    // Same date, same suffix: the next segment decides.
    EXPECT_EQ(compare(L"K206_G011510_01|AB.010112.CDFG", L"K206_G011510_01x|AB.010112.CDFF"),
              VersionCompare::PackageNewer);
    EXPECT_EQ(compare(L"K206_G011410_00|AB.010112.CDFG", L"K206_G011510_00|AB.010112.CDFG"),
              VersionCompare::DeviceNewer);
    // A fourth segment is never looked at.
    EXPECT_EQ(compare(L"K_G011410_00|AB.010112.C|FSV_010112_00|Z_999999_99",
                      L"K_G011510_00|AB.010112.C|FSV_010112_00|Z_000000_00"),
              VersionCompare::DeviceNewer);
    // Month 13 of 2010 is January 2011.
    EXPECT_EQ(compare(L"K_G131510_00", L"K_G011511_00"), VersionCompare::DeviceNewer);
    EXPECT_EQ(compare(L"K_G131510_01", L"K_G011511_00"), VersionCompare::PackageNewer);
    // Nothing left after normalisation on both sides counts as equal.
    EXPECT_EQ(compare(L"K_G", L"X"), VersionCompare::Equal);
}

TEST(FlashSequence, StepTypeIsTheKeyWithoutItsFirstTwoCharacters) {
    EXPECT_EQ(FlashSequence::stepTypeOf(L"1.Files"), FlashSequence::StepFiles);
    EXPECT_EQ(FlashSequence::stepTypeOf(L"2.Exec"), FlashSequence::StepExec);
    EXPECT_EQ(FlashSequence::stepTypeOf(L"3.Cmds"), FlashSequence::StepCmds);
    EXPECT_EQ(FlashSequence::stepTypeOf(L"ABCmds"), FlashSequence::StepCmds);
    EXPECT_EQ(FlashSequence::stepTypeOf(L"10.Cmds"), FlashSequence::StepOther);
    EXPECT_EQ(FlashSequence::stepTypeOf(L"4.Wait"), FlashSequence::StepOther);
    EXPECT_EQ(FlashSequence::stepTypeOf(L"C"), FlashSequence::StepOther);
}

TEST(FlashSequence, TimedItems) {
    FlashSequence::TimedItem file = FlashSequence::parseTimedItem(L"flash.fls:12");
    EXPECT_EQ(file.name, L"flash.fls");
    EXPECT_EQ(file.seconds, 12);
    file = FlashSequence::parseTimedItem(L"flash.fls");
    EXPECT_EQ(file.name, L"flash.fls");
    EXPECT_EQ(file.seconds, 0);
    file = FlashSequence::parseTimedItem(L"POR_ALERT:soon");
    EXPECT_EQ(file.name, L"POR_ALERT");
    EXPECT_EQ(file.seconds, 0);
    EXPECT_TRUE(FlashSequence::isResetAction(L"POR_ALERT"));
    EXPECT_TRUE(FlashSequence::isResetAction(L"POR_NOALERT"));
    EXPECT_FALSE(FlashSequence::isResetAction(L"POR"));
}

TEST(FlashSequence, CommandItemsSplitAtFirstAndLastColon) {
    FlashSequence::CmdItem cmd = FlashSequence::parseCmdItem(L"1b2a:a500:a501:5");
    EXPECT_EQ(cmd.command, L"1B2A");
    EXPECT_EQ(cmd.expected, L"A500:A501");
    EXPECT_EQ(cmd.seconds, 5);
    cmd = FlashSequence::parseCmdItem(L"1B2A::3");
    EXPECT_EQ(cmd.expected, L"");
    EXPECT_EQ(cmd.seconds, 3);
    cmd = FlashSequence::parseCmdItem(L"1B2A:4");
    EXPECT_EQ(cmd.command, L"1B2A");
    EXPECT_EQ(cmd.expected, L"");
    EXPECT_EQ(cmd.seconds, 4);
    cmd = FlashSequence::parseCmdItem(L"1B2A");
    EXPECT_EQ(cmd.command, L"1B2A");
    EXPECT_EQ(cmd.seconds, 0);
    cmd = FlashSequence::parseCmdItem(L"1B2A:por:");
    EXPECT_EQ(cmd.expected, L"POR");
    EXPECT_EQ(cmd.seconds, 0);
}

TEST(FlashSequence, RepliesMatchWholeBytesInsideTheExpectation) {
    EXPECT_TRUE(FlashSequence::acceptsAnyReply(L""));
    EXPECT_TRUE(FlashSequence::acceptsAnyReply(L"POR"));
    EXPECT_FALSE(FlashSequence::acceptsAnyReply(L"A5"));
    const unsigned char shortReply[] = {0xA5, 0x00, 0x01};
    const unsigned char longReply[] = {0xA5, 0x00, 0x01, 0x02, 0x03, 0x04};
    EXPECT_TRUE(FlashSequence::replyAccepted(L"A500010203", EngineText::hexText(shortReply, 3)));
    EXPECT_FALSE(FlashSequence::replyAccepted(L"A500010203", EngineText::hexText(longReply, 6)));
    EXPECT_TRUE(FlashSequence::replyAccepted(L"0000/A50001", EngineText::hexText(shortReply, 3)));
    // 50 stands at odd places of A500... and of A50050 until its third byte.
    EXPECT_FALSE(FlashSequence::replyAccepted(L"A500010203", L"50"));
    EXPECT_TRUE(FlashSequence::replyAccepted(L"A50050", L"50"));
    EXPECT_TRUE(FlashSequence::replyAccepted(L"A500:A501", L"01"));
    EXPECT_FALSE(FlashSequence::replyAccepted(L"A500:A501", L"0A"));
}

TEST(FlashSequence, ItemsAndTimersAreCheckedAsWritten) {
    using FlashSequence::itemFault;
    EXPECT_EQ(itemFault(FlashSequence::StepFiles, L"flash.fls") +
                  itemFault(FlashSequence::StepExec, L"POR_NOALERT:") +
                  itemFault(FlashSequence::StepCmds, L"1b2a:a5:00:3"),
              L"");
    EXPECT_NE(itemFault(FlashSequence::StepFiles, L"flash.fls:-3"), L"");
    // One colon: the field after it is the seconds, not an expected reply.
    EXPECT_NE(itemFault(FlashSequence::StepCmds, L"1B2A:A500"), L"");
    // Every wait is bounded: a step or a timer of more than a day is refused.
    EXPECT_EQ(itemFault(FlashSequence::StepExec, L"POR_ALERT:86400"), L"");
    EXPECT_NE(itemFault(FlashSequence::StepExec, L"POR_ALERT:86401"), L"");
    EXPECT_NE(itemFault(FlashSequence::StepCmds, L"1B2A:A5:99999999999"), L"");
    int32_t value = -1;
    EXPECT_TRUE(FlashSequence::parseTimer(L" 145 ", 1, 200, value));
    EXPECT_EQ(value, 145);
    EXPECT_FALSE(FlashSequence::parseTimer(L"0", 1, 200, value));
    EXPECT_FALSE(FlashSequence::parseTimer(L"12s", 0, 200, value));
    EXPECT_FALSE(FlashSequence::parseTimer(L"201", 0, 200, value));
    EXPECT_FALSE(FlashSequence::parseTimer(L"99999999999", 0, 200, value));
}

TEST(FlashSequence, ProgressIsTheCeilingOfElapsedOverBudget) {
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1000, 145), 0);
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1001, 145), 1); // 0.69 rounds up
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1029, 145), 20);
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1030, 145), 21);
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1144, 145), -1); // 99.3 rounds up to 100
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1143, 145), 99);
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1145, 145), -1);
    EXPECT_EQ(FlashSequence::progressPercent(1000, 9000, 145), -1);
    // No scale: nothing to report.
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1010, 0), -1);
    EXPECT_EQ(FlashSequence::progressPercent(1000, 1010, -5), -1);
    // A clock set back during the update.
    EXPECT_EQ(FlashSequence::progressPercent(1000, 990, 145), 0);
}
