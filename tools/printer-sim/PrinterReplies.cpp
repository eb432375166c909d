#include "PrinterReplies.h"

namespace {

const Bytes kVersionQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x05, 0x10};
const Bytes kStatusQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x00, 0x11};
const Bytes kIdentifierQuery = {0xA5, 0x00, 0x07, 0x50, 0xE0, 0x81, 0x00, 0x02, 0x00, 0x13};
const Bytes kSetupFirst = {0xA5, 0x00, 0x0D, 0x50, 0xE0, 0x82, 0x02, 0x03,
                           0x00, 0x03, 0x00, 0x00, 0xFF, 0xF0, 0x01, 0x01};
const Bytes kSetupSecond = {0xA5, 0x00, 0x05, 0x50, 0xE0, 0x82, 0x02, 0x02};
const Bytes kFlashScanQuery = {0x1B, 0x2A, 0x73, 0x01, 0x08};

Bytes frame(uint8_t code, const Bytes& body) {
    size_t n = 3 + body.size();
    Bytes r;
    r.reserve(3 + n);
    for (uint8_t b :
         {uint8_t(0xA5), uint8_t(n >> 8), uint8_t(n), uint8_t(0x50), uint8_t(0xE0), code})
        r.push_back(b);
    for (uint8_t b : body)
        r.push_back(b);
    return r;
}

} // namespace

namespace PrinterReplies {

Command classify(const Bytes& c) {
    if (c == kVersionQuery)
        return Command::Version;
    if (c == kStatusQuery)
        return Command::Status;
    if (c == kIdentifierQuery)
        return Command::Identifier;
    if (c == kSetupFirst)
        return Command::SetupFirst;
    if (c == kSetupSecond)
        return Command::SetupSecond;
    if (c == kFlashScanQuery)
        return Command::FlashScan;
    return Command::Other;
}

Bytes version(const std::string& aio, const std::string& panel) {
    std::string p5 = panel.empty() ? "-" : panel;
    if (p5.find(' ') == std::string::npos)
        p5 += " -";
    std::string text = " FW " + (aio.empty() ? std::string("-") : aio) + " PNL V " + p5;
    Bytes body = {0x00};
    body.insert(body.end(), text.begin(), text.end());
    body.push_back(0x00);
    // Framed exactly, whatever the length byte reads as: the reader must cope.
    return frame(0x81, body);
}

Bytes status() {
    return frame(0x81, {0x00});
}

Bytes identifier(uint16_t vid, uint16_t pid) {
    return frame(0x81, {0x00, 0x00, 0x00, 0x00, 0x00, uint8_t(vid >> 8), uint8_t(vid),
                        uint8_t(pid >> 8), uint8_t(pid)});
}

Bytes setup() {
    return frame(0x82, {0x00});
}

Bytes flashScan(const std::string& scan) {
    if (scan.empty())
        return {};
    Bytes r(scan.begin(), scan.end());
    r.push_back(0x00);
    while (r.size() < 10)
        r.push_back(0x00);
    return r;
}

Bytes garble(const Bytes& reply, std::mt19937& rng) {
    Bytes r = reply;
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = uint8_t(rng() % 255 + 1);
    if (r.size() >= 3 && reply[0] == 0xA5) {
        r[0] = 0x5A;
        r[1] = reply[1];
        r[2] = reply[2];
    }
    if (r.size() >= 6 && r[4] == 0xE0 && r[5] == 0x81)
        r[5] = 0x18;
    return r;
}

Bytes cut(const Bytes& reply, size_t keep) {
    Bytes r(reply.begin(), reply.begin() + std::min(keep, reply.size()));
    if (r.size() >= 3 && r[0] == 0xA5) {
        r[1] = uint8_t((r.size() - 3) >> 8);
        r[2] = uint8_t(r.size() - 3);
    }
    return r;
}

Bytes cutFrame(const Bytes& reply) {
    return Bytes(reply.begin(), reply.begin() + reply.size() / 2);
}

size_t truncatedSize(Command command, size_t fullSize) {
    switch (command) {
    case Command::Version:
        return 5;
    case Command::Identifier:
        return 12;
    case Command::Status:
    case Command::SetupFirst:
    case Command::SetupSecond:
        return 4;
    case Command::FlashScan:
        return 9;
    case Command::Other:
        break;
    }
    return fullSize / 2;
}

} // namespace PrinterReplies
