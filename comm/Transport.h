// How a command reaches a printer. Every operation opens the link, does its
// work and closes it again, so that nothing is held while the engine waits
// (for example through a printer's reset) and a dead link never lingers.
#pragma once

#include "ReplyReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How soon a raw reply must start. InTime: the first-byte wait of every
// command. AtOnce: a query that the printer answers at once or never, and that
// the caller asks again and again.
enum class RawStart { InTime, AtOnce };

class Transport {
public:
    enum Result {
        Ok = 0,
        Unreachable = 1, // the link could not be opened in time
        SendFailed = 2,  // the printer did not take the bytes
        NoReply = 3,     // nothing complete came back in time
        FileError = 4,   // the file to send could not be read
    };

    virtual ~Transport() {}
    // Whether the printer takes a link right now.
    virtual bool isReady() = 0;
    // Sends the command and reads one reply (framed for A5 commands, raw for
    // others); reply is empty unless the result is Ok. rawStart matters only
    // for a raw reply.
    virtual Result exchange(const std::vector<uint8_t>& command, std::vector<uint8_t>& reply,
                            RawStart rawStart) = 0;
    Result exchange(const std::vector<uint8_t>& command, std::vector<uint8_t>& reply) {
        return exchange(command, reply, RawStart::InTime);
    }
    // Streams the whole file on one link; SendFailed once the printer has
    // taken no byte for stallMs, or the file is not sent whole in totalMs.
    virtual Result sendFile(const std::wstring& path, uint32_t stallMs, uint32_t totalMs) = 0;
    // For log lines: where this transport goes.
    virtual std::wstring describe() const = 0;
};

// One open link, as the reply collection sees it.
class ByteChannel {
public:
    enum ReadResult { Data, TimedOut, Closed };
    virtual ~ByteChannel() {}
    // Waits at most timeoutMs for some bytes; Closed covers the peer's close
    // and any error, both of which end the reply.
    virtual ReadResult readSome(uint8_t* buffer, size_t capacity, uint32_t timeoutMs,
                                size_t& received) = 0;
};

// Reads one reply with the bounds of CommTimeouts: first byte, gap or idle
// between bytes, and the whole reply. Returns what ReplyReader::finish gives.
std::vector<uint8_t> collectReply(ByteChannel& channel, ReplyReader::Mode mode, RawStart rawStart);
