// Every wait of the printer link, in one place. A printer that is absent or
// silent must cost a bounded, small time: nothing here waits without a limit.
#pragma once

#include <cstdint>

namespace CommTimeouts {
// A printer on the local network accepts within a few milliseconds; one second
// covers a busy network without making an absent printer expensive.
constexpr uint32_t ConnectMs = 1000;
// The printer parses a command before it answers, and a busy printer (one
// that erases flash between the commands of an update) takes its time: a
// reply that starts within this long is taken, framed or raw.
constexpr uint32_t FirstByteMs = 2000;
// A raw query that the caller says is answered at once or not at all (the
// flash-scan version): the engine asks it up to 30 times a second apart, so
// a long wait here would multiply into minutes for a printer without that
// part.
constexpr uint32_t AtOnceFirstByteMs = 250;
// A printer the search cannot connect to is tried once more after this
// pause: one lost connection request (a Wi-Fi printer waking up, an address
// lookup that took its time) must not leave a working printer out of the list,
// and the system resends a lost request only after the connect wait is over.
constexpr uint32_t SearchRetryPauseMs = 500;
// Raw replies have no length; a pause this long ends them.
constexpr uint32_t RawIdleMs = 200;
// A framed reply that stalls this long between its bytes is given up.
constexpr uint32_t FrameGapMs = 1000;
// Upper bound for one whole reply, however slowly it trickles in.
constexpr uint32_t ReplyTotalMs = 5000;
// Upper bound for one write of a command that the peer does not take.
constexpr uint32_t SendStallMs = 5000;
// A printer may stop reading in the middle of a file for a long while (it
// erases flash, or a USB printer refuses data while busy) and then take the
// rest: a file is given up only after this long without any byte taken.
constexpr uint32_t FileStallMs = 60000;

// The stall limit of a file send for a package whose whole update may take
// flashTimeoutSeconds: a printer that stalls longer could not finish in time
// anyway. Never below the limit of a command write; FileStallMs without a
// usable budget.
inline uint32_t fileStallMs(int32_t flashTimeoutSeconds) {
    if (flashTimeoutSeconds <= 0 ||
        static_cast<uint32_t>(flashTimeoutSeconds) >= FileStallMs / 1000)
        return FileStallMs;
    const uint32_t budgetMs = static_cast<uint32_t>(flashTimeoutSeconds) * 1000;
    return budgetMs < SendStallMs ? SendStallMs : budgetMs;
}
// A whole file is bounded too: a printer that keeps taking a few bytes just
// inside the stall limit would otherwise hold its update (and, in a fleet,
// every result line after it) for hours. Not the package's FlashTimeout: an
// update whose sequence has no reset step goes on to its verification however
// long the transfer took, and a slow printer that takes its image whole must
// not be cut off in the middle of it. A printer's image of a few megabytes
// takes seconds; this is many times what the slowest link needs.
constexpr uint32_t FileTotalMs = 30 * 60 * 1000;

// How long the next wait of a file send may take, spentMs into it: the stall
// limit, cut to what is left of the whole; 0 once nothing is left.
inline uint32_t fileWaitMs(uint32_t stallMs, uint32_t totalMs, uint32_t spentMs) {
    if (spentMs >= totalMs)
        return 0;
    const uint32_t left = totalMs - spentMs;
    return left < stallMs ? left : stallMs;
}

// After a file, the printer closes its side once it has read everything. One
// that keeps the link open is not waited for longer than this: our close is
// graceful, so the bytes still queued are delivered all the same.
constexpr uint32_t FileDrainMs = 500;
} // namespace CommTimeouts

// Raw printing port of network printers.
constexpr uint16_t DefaultPrinterPort = 9100;
