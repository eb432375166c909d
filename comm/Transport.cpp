#include "Transport.h"

#include "CommTimeouts.h"

#include <chrono>

std::vector<uint8_t> collectReply(ByteChannel& channel, ReplyReader::Mode mode, RawStart rawStart) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(CommTimeouts::ReplyTotalMs);
    ReplyReader reader(mode);
    uint8_t buffer[4096];
    while (!reader.complete()) {
        const bool raw = reader.mode() == ReplyReader::Raw;
        uint32_t wait = CommTimeouts::FirstByteMs;
        if (reader.receivedAny())
            wait = raw ? CommTimeouts::RawIdleMs : CommTimeouts::FrameGapMs;
        else if (raw && rawStart == RawStart::AtOnce)
            wait = CommTimeouts::AtOnceFirstByteMs;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        if (static_cast<uint64_t>(left.count()) < wait)
            wait = static_cast<uint32_t>(left.count());
        size_t received = 0;
        if (channel.readSome(buffer, sizeof buffer, wait, received) != ByteChannel::Data)
            break;
        reader.feed(buffer, received);
    }
    return reader.finish();
}
