// Turns the engine's progress reports into what the console shows: a
// percentage that never goes back and the phase the flash is in.
//
// The engine reports only a percentage of its time budget, so the phase is
// read from the rhythm of the reports: nothing arrives while the firmware file
// is sent; the wait for the printer's reset polls every half second; the boot
// wait and the verification retries report every two seconds; 99 is reported
// once the new version has been read back. A command step answered quickly
// can look like the reset wait; the phase is a guide, the result line is the
// truth.
#pragma once

#include <cstdint>

class ProgressTracker {
public:
    enum Phase { Sending, Restarting, Verifying, Verified };

    // bootSeconds: how long the engine waits for the printer to boot after
    // its reset; after that it is verifying.
    explicit ProgressTracker(uint32_t bootSeconds);

    // One report of the engine at the given time. Returns true when the
    // percentage or the phase shown changed.
    bool report(int percent, uint64_t nowMs);
    // The update ended; a verified one shows 100%.
    void finish(bool verified);

    int percent() const { return percent_; }
    Phase phase() const { return phase_; }
    static const wchar_t* phaseText(Phase phase);

    // Reports closer together than this come from the reset wait.
    static const uint64_t FastIntervalMs = 1000;

private:
    uint32_t bootMs_;
    int percent_;
    Phase phase_;
    bool haveLast_;
    uint64_t lastMs_;
    bool slowSeen_;
    uint64_t slowSinceMs_;
};
