// Every wait of the printer link, in one place. A printer that is absent or
// silent must cost a bounded, small time: nothing here waits without a limit.
#pragma once

#include <cstdint>

namespace CommTimeouts {
// A printer on the local network accepts within a few milliseconds; one second
// covers a busy network without making an absent printer expensive.
constexpr uint32_t ConnectMs = 1000;
// The printer parses the command before it answers.
constexpr uint32_t FirstByteMs = 2000;
// Raw replies have no length; a pause this long ends them.
constexpr uint32_t RawIdleMs = 200;
// A framed reply that stalls this long between its bytes is given up.
constexpr uint32_t FrameGapMs = 1000;
// Upper bound for one whole reply, however slowly it trickles in.
constexpr uint32_t ReplyTotalMs = 5000;
// Upper bound for one write that the peer does not take.
constexpr uint32_t SendStallMs = 5000;
// After a file, the printer closes its side once it has read everything.
constexpr uint32_t FileDrainMs = 5000;
} // namespace CommTimeouts

// Raw printing port of network printers.
constexpr uint16_t DefaultPrinterPort = 9100;
