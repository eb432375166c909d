// Collects one printer reply from the chunks a transport receives and says
// when it is complete. A5 commands get a framed reply (A5, 16-bit big-endian
// count, that many bytes); any other command a raw reply that ends when the
// printer falls silent or closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ReplyReader {
public:
    enum Mode { Framed, Raw };

    // Largest raw reply kept; a printer that streams more is cut off there.
    static constexpr size_t MaxRawReply = 64 * 1024;

    explicit ReplyReader(Mode mode);
    // The reply kind a command asks for.
    static Mode modeForCommand(const std::vector<uint8_t>& command);

    void feed(const uint8_t* data, size_t size);
    // Framed: the whole frame has arrived. Raw: the size cap is reached.
    bool complete() const;
    // Framed replies whose first byte is not A5 are read as raw ones.
    Mode mode() const { return mode_; }
    bool receivedAny() const { return !bytes_.empty(); }
    // Bytes still missing from a framed reply (0 when complete or unknown).
    size_t missing() const;

    // The reply to hand out once the printer stopped sending: an incomplete
    // frame is dropped as a whole, since its header promises bytes that a
    // caller would otherwise read as if they were there.
    std::vector<uint8_t> finish() const;

private:
    size_t frameSize() const;

    Mode mode_;
    std::vector<uint8_t> bytes_;
};
