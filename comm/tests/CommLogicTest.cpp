#include "DeviceAddress.h"
#include "HexCommand.h"
#include "PrinterReplies.h"
#include "ReplyReader.h"

#include <gtest/gtest.h>

#include <string>

namespace {
typedef std::vector<uint8_t> Bytes;

Bytes bytesOf(const char* text) {
    return Bytes(text, text + std::char_traits<char>::length(text));
}

// A version reply as a printer frames it: header, text, zero byte.
Bytes versionReply(const std::string& text) {
    const uint8_t header[] = {0xA5, 0x00, 0x00, 0x50, 0xE0, 0x81, 0x00};
    Bytes reply(sizeof header + text.size() + 1, 0);
    std::copy(header, header + sizeof header, reply.begin());
    std::copy(text.begin(), text.end(), reply.begin() + sizeof header);
    reply[2] = static_cast<uint8_t>(reply.size() - 3);
    return reply;
}

Bytes identifierReply(uint16_t vid, uint16_t pid) {
    return Bytes{0xA5,
                 0x00,
                 0x0C,
                 0x50,
                 0xE0,
                 0x81,
                 0x00,
                 0x00,
                 0x00,
                 0x00,
                 0x00,
                 static_cast<uint8_t>(vid >> 8),
                 static_cast<uint8_t>(vid),
                 static_cast<uint8_t>(pid >> 8),
                 static_cast<uint8_t>(pid)};
}
} // namespace

TEST(HexCommand, PairsBecomeBytesInEitherCase) {
    Bytes out;
    ASSERT_TRUE(parseHexCommand(L"A5000750e08100020510", out));
    EXPECT_EQ(out, (Bytes{0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x05, 0x10}));
    EXPECT_EQ(toHexText(out.data(), out.size()), L"A5000750E08100020510");
}

TEST(HexCommand, MalformedTextYieldsNothingToSend) {
    Bytes out = {1, 2, 3};
    EXPECT_FALSE(parseHexCommand(nullptr, out));
    EXPECT_TRUE(out.empty());
    for (const wchar_t* bad :
         {L"", L"A50", L"A5 00", L"G0", L"1B2A7301080", L"0x1B", L"A5\u00E0"}) {
        out = {9};
        EXPECT_FALSE(parseHexCommand(bad, out)) << bad;
        EXPECT_TRUE(out.empty()) << bad;
    }
}

TEST(ReplyReader, FrameEndsAtItsCountEvenWhenMoreArrives) {
    ReplyReader reader(ReplyReader::Framed);
    Bytes frame = {0xA5, 0x00, 0x04, 0x50, 0xE0, 0x81, 0x00, 0xEE, 0xEE};
    reader.feed(frame.data(), 2);
    EXPECT_FALSE(reader.complete());
    EXPECT_EQ(reader.missing(), 0u);
    reader.feed(frame.data() + 2, 3);
    EXPECT_FALSE(reader.complete());
    EXPECT_EQ(reader.missing(), 2u);
    reader.feed(frame.data() + 5, frame.size() - 5);
    EXPECT_TRUE(reader.complete());
    EXPECT_EQ(reader.finish(), Bytes(frame.begin(), frame.begin() + 7));
}

TEST(ReplyReader, ShortFramesAreDroppedAndForeignRepliesReadRaw) {
    Bytes frame = identifierReply(0x7B1E, 0x31C7);
    ReplyReader shortOne(ReplyReader::Framed);
    shortOne.feed(frame.data(), frame.size() - 1);
    EXPECT_EQ(shortOne.missing(), 1u);
    EXPECT_TRUE(shortOne.finish().empty());

    ReplyReader empty(ReplyReader::Framed);
    empty.feed(frame.data(), 2);
    EXPECT_FALSE(empty.complete());
    const uint8_t zeroCount = 0;
    empty.feed(&zeroCount, 1);
    EXPECT_TRUE(empty.complete());

    // A printer that answers an A5 command without a frame is read like a raw reply.
    ReplyReader foreign(ReplyReader::Framed);
    Bytes text = bytesOf("ERR\n");
    foreign.feed(text.data(), text.size());
    EXPECT_EQ(foreign.mode(), ReplyReader::Raw);
    EXPECT_EQ(foreign.finish(), text);
}

TEST(ReplyReader, RawReplyIsCappedAndModeFollowsCommand) {
    EXPECT_EQ(ReplyReader::modeForCommand(Bytes{0xA5, 0x00}), ReplyReader::Framed);
    EXPECT_EQ(ReplyReader::modeForCommand(Bytes{0x1B, 0x2A}), ReplyReader::Raw);
    EXPECT_EQ(ReplyReader::modeForCommand(Bytes()), ReplyReader::Raw);
    ReplyReader raw(ReplyReader::Raw);
    Bytes chunk(ReplyReader::MaxRawReply - 10, 0x41);
    raw.feed(chunk.data(), chunk.size());
    EXPECT_FALSE(raw.complete());
    raw.feed(chunk.data(), 100);
    EXPECT_TRUE(raw.complete());
    EXPECT_EQ(raw.finish().size(), ReplyReader::MaxRawReply);
}

TEST(VersionReply, TokensAsTheUpdaterReadsThem) {
    Bytes reply = versionReply(" FW K206_G082511_00 PNL x AB.123456 CDEFG\r\nrest");
    std::vector<std::wstring> tokens = versionReplyTokens(reply.data(), reply.size());
    ASSERT_EQ(tokens.size(), 8u);
    // The header bytes, with bytes 1 and 6 replaced, make up token 0.
    EXPECT_EQ(tokens[0], std::wstring(L"\u00A5\x10") + static_cast<wchar_t>(reply[2]) +
                             L"\x50\u00E0\u0081\x10");
    EXPECT_EQ(tokens[2], L"K206_G082511_00");
    EXPECT_EQ(tokens[5], L"AB.123456");
    EXPECT_EQ(tokens[6], L"CDEFG");
    EXPECT_EQ(tokens[7], L"rest");
    std::wstring model;
    ASSERT_TRUE(modelFromVersionReply(reply.data(), reply.size(), model));
    EXPECT_EQ(model, L"K206");
    Bytes plain = versionReply(" FW K306 PNL");
    ASSERT_TRUE(modelFromVersionReply(plain.data(), plain.size(), model));
    EXPECT_EQ(model, L"K306"); // no "_": the whole token
}

TEST(VersionReply, ShortOrForeignRepliesAreNeverReadPast) {
    Bytes reply = versionReply(" FW K206_G082511_00");
    std::wstring model = L"unchanged";
    // Every cut of the reply short of token 2 (or short of the header) fails,
    // and a reply without a zero byte ends at its length, not beyond.
    for (size_t size = 0; size < 11; ++size)
        EXPECT_FALSE(modelFromVersionReply(reply.data(), size, model)) << size;
    EXPECT_EQ(model, L"unchanged");
    ASSERT_TRUE(modelFromVersionReply(reply.data(), 13, model));
    EXPECT_EQ(model, L"K2");

    Bytes wrongHeader = reply;
    wrongHeader[4] = 0xE1;
    EXPECT_TRUE(versionReplyTokens(wrongHeader.data(), wrongHeader.size()).empty());
    EXPECT_TRUE(versionReplyTokens(nullptr, 40).empty());

    // Text ends at the first zero byte, even with more text behind it.
    Bytes early = versionReply(" FW");
    early.insert(early.end(), {'X', ' ', 'K', '2', '0', '6'});
    EXPECT_FALSE(modelFromVersionReply(early.data(), early.size(), model));
}

TEST(IdentifierReply, BigEndianFourDigitsAndFifteenByteMinimum) {
    Bytes reply = identifierReply(0x7B1E, 0x01c7);
    std::wstring vid, pid;
    ASSERT_TRUE(identifiersFromReply(reply.data(), reply.size(), vid, pid));
    EXPECT_EQ(vid, L"7B1E");
    EXPECT_EQ(pid, L"01C7");
    vid = pid = L"none";
    EXPECT_FALSE(identifiersFromReply(reply.data(), 14, vid, pid));
    EXPECT_FALSE(identifiersFromReply(nullptr, 15, vid, pid));
    EXPECT_EQ(vid, L"none");
    EXPECT_EQ(hex16(0x000A), L"000A");
}

TEST(DeviceAddress, DottedAddressesOnly) {
    uint32_t address = 0;
    ASSERT_TRUE(parseDottedIPv4(L"127.0.13.255", address));
    EXPECT_EQ(address, 0x7F000DFFu);
    for (const wchar_t* bad :
         {L"", L"127.0.0", L"127.0.0.1.", L"127.0.0.256", L"127..0.1", L" 127.0.0.1", L"127.0.0.1 ",
          L"printer.local", L"1.2.3.0001", L"127.0.0.-1"})
        EXPECT_FALSE(parseDottedIPv4(bad, address)) << bad;
}

TEST(DeviceAddress, EnteredAddressLosesTheBlanksAroundIt) {
    EXPECT_EQ(enteredAddress(L" 192.168.0.5"), L"192.168.0.5");
    EXPECT_EQ(enteredAddress(L"192.168.0.5 \t "), L"192.168.0.5");
    EXPECT_EQ(enteredAddress(L"192.168.0.5"), L"192.168.0.5");
    EXPECT_EQ(enteredAddress(L"  "), L"");
    EXPECT_EQ(enteredAddress(L""), L"");
}

TEST(DeviceAddress, SpoolerPortsGiveRawTargets) {
    SpoolerPortValues values;
    values.hostName = L"127.0.0.9";
    std::wstring address;
    uint16_t port = 0;
    ASSERT_TRUE(spoolerPortTarget(values, address, port));
    EXPECT_EQ(address + L":" + std::to_wstring(port), L"127.0.0.9:9100");
    values.ipAddress = L"127.0.0.8"; // preferred over the host name
    values.portNumber = 9101;
    ASSERT_TRUE(spoolerPortTarget(values, address, port));
    EXPECT_EQ(address + L":" + std::to_wstring(port), L"127.0.0.8:9101");

    // Zero-padded parts are decimal, and the link reads the address given
    // back as the same one.
    values.ipAddress = L"127.0.0.010";
    ASSERT_TRUE(spoolerPortTarget(values, address, port));
    uint32_t listed = 0, reached = 0;
    ASSERT_TRUE(parseDottedIPv4(values.ipAddress, listed) && parseIpAddress(address, reached));
    EXPECT_EQ(reached, listed);
    EXPECT_EQ(address, L"127.0.0.10");

    SpoolerPortValues named = values, lpr = values, badPort = values;
    named.ipAddress = L"";
    named.hostName = L"printer.example"; // never looked up
    lpr.protocol = 2;
    badPort.portNumber = 70000;
    for (const SpoolerPortValues& bad : {named, lpr, badPort})
        EXPECT_FALSE(spoolerPortTarget(bad, address, port));
}

TEST(DeviceAddress, UsbIdentifiersFromInterfacePath) {
    std::wstring vid, pid;
    ASSERT_TRUE(usbIdentifiersFromPath(
        L"\\\\?\\usb#vid_7b1e&pid_31c7#5&2a3f&0&1#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}", vid,
        pid));
    EXPECT_EQ(vid, L"7B1E");
    EXPECT_EQ(pid, L"31C7");
    ASSERT_TRUE(usbIdentifiersFromPath(L"\\\\?\\USB#VID_04B8&PID_0A1B&MI_01#x", vid, pid));
    EXPECT_EQ(vid, L"04B8");
    EXPECT_EQ(pid, L"0A1B");

    vid = pid = L"none";
    for (const wchar_t* bad : {L"", L"\\\\?\\usb#vid_7b1e#x", L"\\\\?\\usb#vid_7b1&pid_31c7",
                               L"\\\\?\\usb#vid_7b1e1&pid_31c7", L"\\\\?\\usb#xvid_7b1e&pid_31c7",
                               L"\\\\?\\usb#vid_7b1e&pid_31c"})
        EXPECT_FALSE(usbIdentifiersFromPath(bad, vid, pid)) << bad;
    EXPECT_EQ(vid, L"none");
    EXPECT_EQ(usbPortName(L"USB", 2), L"USB002");
    EXPECT_EQ(usbPortName(L"USB", 1234), L"USB1234");
}
