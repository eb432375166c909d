// The bytes a printer answers, shaped as the engine reads them (docs/protocol.md),
// and the ways a faulty printer spoils them. Pure functions, no sockets.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

enum class Command { Version, Status, Identifier, SetupFirst, SetupSecond, FlashScan, Other };

namespace PrinterReplies {

Command classify(const Bytes& command);

// A5 LL LL 50 E0 81 00, then " FW <aio> PNL V <panel5> <panel6>", a zero, and zero
// padding that keeps the length's low byte off 00, 0A, 0D and 20.
Bytes version(const std::string& aio, const std::string& panel);
Bytes status();
Bytes identifier(uint16_t vid, uint16_t pid);
Bytes setup();
// The text and a zero, padded to at least 10 bytes; empty when the part is absent.
Bytes flashScan(const std::string& scan);

// Same length and framing, but a header the engine must refuse and random content.
Bytes garble(const Bytes& reply, std::mt19937& rng);
// The first `keep` bytes; an A5 reply keeps a length field that matches what is sent.
Bytes cut(const Bytes& reply, size_t keep);
// The first half of a reply with its length field untouched: a frame that promises
// more than ever arrives.
Bytes cutFrame(const Bytes& reply);
// How many bytes a printer with the "truncated" fault sends of each reply.
size_t truncatedSize(Command command, size_t fullSize);

} // namespace PrinterReplies
